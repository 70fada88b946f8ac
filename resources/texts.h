// Every fixed text the installer shows or writes, in one place.
#ifndef RESOURCES_TEXTS_H
#define RESOURCES_TEXTS_H

// Window class of the hidden main window.
#define TEXT_WINDOW_CLASS "ZORBInst"

// Install sequence.
#define TEXT_INSTALL_CAPTION "%s Screen Saver Installation"
#define TEXT_CONFIRMATION                                                                       \
    "This program will install %s Screen Saver to %s and will make it your default Screen "   \
    "Saver.  This installation will take %s bytes."
#define TEXT_INSTALL_COMPLETE "Installation Complete!"
#define TEXT_MISSING_CAPTION "Missing support codecs"
#define TEXT_MISSING_HEAD \
    "The following file types are not currently supported by your Windows media player:\r\n\r\n"
#define TEXT_MISSING_MIDDLE                                                                \
    "\r\nThese file types must be supported before you can run this file.  Click on the OK " \
    "button below to download a copy from "
#define TEXT_MISSING_TAIL ".  If you wish to get this file at a later time, click Cancel."
#define TEXT_CONNECT_FAILED "Could not connect to this site."
// The media player vendor's download page.
#define TEXT_MEDIA_PLAYER_URL "https://www.microsoft.com/windows/windowsmedia/download/"
#define TEXT_UNINSTALLER_SWITCH "/s"
// A write fell short during the extraction, and the run took it all back.
#define TEXT_WRITE_FAILED "The disk is full.  The installation could not be completed, and nothing was installed."
// The installer's own file is cut short or damaged: found by the check of
// its integrity record before anything else, or, in a package without
// one, by a block that ran out during the extraction (taken back then).
#define TEXT_DAMAGED                                                                                   \
    "This installer is damaged or incomplete, so nothing was installed.\r\n\r\n"                      \
    "Please download it again, or ask its publisher for a new copy."
#define TEXT_DAMAGED_CAPTION "Damaged Installer"
// A file could not be created, and the run took it all back: the path,
// then one of the reasons.
#define TEXT_NOT_CREATED "The installation could not write the file\r\n%s\r\n\r\n%s\r\n\r\nNothing was installed."
#define TEXT_REASON_IN_USE                                                                         \
    "The file is in use.  Close the screen saver, and any program that uses the file, then run " \
    "the installation again."
#define TEXT_REASON_FOLDER "A folder of that name stands in its place.  Move or rename it, then run the installation again."
#define TEXT_REASON_ACCESS                                                                           \
    "Access to the file is denied.  Make sure it is not read-only, and run the installation as an " \
    "administrator."
#define TEXT_REASON_NO_FOLDER "Its folder could not be created."
#define TEXT_REASON_OTHER "Windows reports error %lu."
// The run refused to start (a link in the way, or a folder that could not
// be taken over); %s is the path at fault.
#define TEXT_UNSAFE_DESTINATION                                                               \
    "%s is a link to another place (a junction, symbolic link or mount point), or a folder "  \
    "that could not be made writable by administrators only.  The installation was stopped, " \
    "and nothing was installed."

// Pre-install checks.
#define TEXT_REPLACE_QUESTION                                                             \
    "There is already a screen saver by the same name (%s) installed on your system.  " \
    "Would you like to replace it?"
#define TEXT_REPLACE_CAPTION "Replace Screen Saver?"
#define TEXT_DISK_FULL                                                                          \
    "You will need %s kilobytes free in your Windows directory to install this screen saver.  " \
    "It appears that you only have %s kilobytes free on this drive.  Would you like to "        \
    "continue the installation?"
#define TEXT_DISK_FULL_CAPTION "Disk Full"

// Extraction.
#define TEXT_STATUS "%s Screen Saver"
#define TEXT_ABORT_QUESTION "Are you sure you would like to abort this installation?"
#define TEXT_ABORT_CAPTION "Abort Installation?"
#define TEXT_ALL_USERS "All Users"
#define TEXT_APPLICATION_DATA "Application Data"

// System registration.
#define TEXT_ACCESS_DENIED                                                                 \
    "You do not have access to make the required system configuration modifications. " \
    "Please rerun this installation from an administrators account."
#define TEXT_ACCESS_DENIED_CAPTION "Error!!!"
#define TEXT_DISPLAY_NAME_SUFFIX " Screen Saver"
#define TEXT_PUBLISHER "Made with Quillmoor's Glimmerkit"
#define TEXT_MEDIA_DEVICE "MPEGVideo"

#endif
