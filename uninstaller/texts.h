// Every fixed text the uninstaller shows or uses, in one place.
#ifndef UNINSTALLER_TEXTS_H
#define UNINSTALLER_TEXTS_H

#define TEXT_UNINSTALL_CAPTION "%s Screen Saver Uninstall"
#define TEXT_UNINSTALL_QUESTION \
    "This will remove the %s Screen Saver and all of its files from your computer.  Continue?"
#define TEXT_UNINSTALL_DONE "The %s Screen Saver has been removed from your computer."
#define TEXT_UNINSTALL_PARTLY \
    "The %s Screen Saver has been removed, but the following could not be removed:\r\n\r\n%s"
#define TEXT_NOTHING_TO_DO                                                             \
    "There is nothing to remove: the install log (%s) is missing or lists no files.  " \
    "Nothing has been changed."

// Prefix of the temporary files that carry the clean-up step.
#define TEXT_TEMP_PREFIX "glk"

#endif
