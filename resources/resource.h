// Resource and control identifiers (shared by the .rc script and the code).
#ifndef RESOURCES_RESOURCE_H
#define RESOURCES_RESOURCE_H

#define IDI_INSTALLER 101
#define IDD_PROGRESS 103
#define IDD_ORDERINFO 104
#define IDD_LICENSE 106

#define IDC_STATUS 1001
#define IDC_LICENSETEXT 1009

#endif
