// AppendFolderLevel and AppendDataFolderLevels: the data folder's path
// below the common application data folder.
#include "engine/data_file_name.h"

#include <string.h>

#include "flow/text_rules.h"
#include "texts.h"

int AppendFolderLevel(char *folder, size_t capacity, const char *level, void (*made)(const char *folder))
{
    size_t used = strnlen(folder, capacity);
    if (!AppendText(folder, capacity, "\\"))
        return 0;
    if (!AppendText(folder, capacity, level)) {
        folder[used] = '\0';
        return 0;
    }
    if (made != NULL)
        made(folder);
    return 1;
}

int AppendDataFolderLevels(char *folder, size_t capacity, const char *baseName, void (*made)(const char *folder))
{
    return AppendFolderLevel(folder, capacity, TEXT_MAKER_FOLDER, made) &&
           AppendFolderLevel(folder, capacity, TEXT_PRODUCT_FOLDER, made) &&
           AppendFolderLevel(folder, capacity, baseName, made) && AppendText(folder, capacity, "\\");
}
