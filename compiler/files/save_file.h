// The program saver and the backup rule.
#pragma once

namespace px {

// 0 when the program was saved, 1 when it was not (the reason is logged).
int save_file(const char* name);
// 1 when the file was backed up or does not exist, 0 when the backup failed.
int backup_file(const char* name, const char* backup_extension);

}  // namespace px
