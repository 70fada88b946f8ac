// Resource identifiers of the sample screen saver.
#ifndef SAMPLES_SAMPLE_RESOURCE_H
#define SAMPLES_SAMPLE_RESOURCE_H

// String 1 is the name the display settings list.
#define IDS_DESCRIPTION 1
#define IDI_SAVER 1
#define IDD_SETTINGS 2000

#define IDC_COUNT 2001
#define IDC_SPEED 2002
#define IDC_DATAFILE 2003

#endif
