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
