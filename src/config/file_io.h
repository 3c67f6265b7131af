#pragma once
// Whole-file reads and crash-safe whole-file writes for the settings and score files.
#include <sys/types.h>

#include <functional>
#include <string>
#include <string_view>

namespace kq {

enum class TReadResult { Ok, Missing, Failed };

// Missing: no such file (a folder or device of that name counts as none). Failed: the file is
// there but cannot be read.
TReadResult ReadFileBytes(const std::string& path, std::string& out);

// The system calls a save goes through; tests hand in failing or watching ones.
struct TFileOps {
  std::function<ssize_t(int fd, const void* data, size_t size)> Write;
  std::function<int(int fd)> Fsync;
};
const TFileOps& SystemFileOps();

// Writes bytes to a new file in the same folder and renames it over path, so a crash or kill
// leaves either the old or the new file, and syncs the folder after the rename. A symbolic link
// to a regular file stays and its target is replaced; a link to nothing or a link loop is
// refused (ENOENT, ELOOP). A file marked
// read-only is left alone; a replaced file keeps its mode, owner and group (as far as the process
// may set them). Throws EWriteError with WriteErrorText(path) and errno.
void ReplaceFile(const std::string& path, std::string_view bytes, const TFileOps& ops = SystemFileOps());

// ".<name>.<pid>.<n>.tmp": the temporary ReplaceFile writes beside name.
std::string TemporaryName(const std::string& name, long pid, int n);
// Removes the temporaries a killed save left beside path (those of processes still running
// stay); returns how many went.
int RemoveStaleTemporaries(const std::string& path);
// The same for every file of folder whose name passes isOurs (the recordings of a folder).
int RemoveStaleTemporariesIn(const std::string& folder,
                             const std::function<bool(const std::string&)>& isOurs);

// "%s に書き込めません" with the path.
std::string WriteErrorText(const std::string& path);
// Why path could not be written, saying what stands there when it is no regular file (a
// folder, a FIFO, a link to nothing or a link loop), else the system's text for err.
std::string WriteFailureReason(const std::string& path, int err);
// The system's text for an error number, in the player's language for the errors a save meets
// (strerror's own text for the rest).
std::string SystemErrorText(int err);

}  // namespace kq
