#pragma once
// Path, file and text helpers for the documents and settings.

#include <sys/stat.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kel {

// Everything after the last path separator; "/" is the separator when the path holds one,
// else "\".
std::string FileNameOf(std::string_view path);

// Everything before the last path separator, without it; empty when there is none.
std::string FolderOf(std::string_view path);

// What tells a file apart from another one put in its place, and a version of it from the next:
// the modification time can be copied (cp -p, an unpacked archive), the inode and the change
// time cannot.
struct FileStamp {
  std::uintmax_t size = 0;
  std::int64_t modified_ns = 0;
  std::int64_t changed_ns = 0;
  std::uintmax_t device = 0;
  std::uintmax_t inode = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the regular file path names (following links); nothing for anything else.
std::optional<FileStamp> StampOf(const std::string& path);
// The stamp of a file already opened and examined.
FileStamp StampFromStat(const struct stat& info);

// True when path names an existing file; never throws. An empty path is false at once.
bool FileExists(const std::string& path);

// Deletes path, retrying until retry_ms milliseconds (monotonic clock) have passed. True when
// the file is gone (a missing file counts as gone). process_events, when given, runs between
// attempts so the window stays responsive.
bool RemoveFile(const std::string& path, std::int16_t retry_ms,
                const std::function<void()>& process_events = {});

// True when path names something that exists and is no regular file, links followed: a folder, a
// pipe, a device, a socket. The program's files are never written there.
bool IsSpecialFile(const std::string& path);

// True when path names an existing folder.
bool FolderExists(const std::string& path);

// The folder that holds the program's data file data_file, for the program at exe_path: the
// program's own folder when the file lies there (a build tree, a portable copy), else
// <prefix>/share/kelvanor when the program lies in <prefix>/bin and the file lies there (an
// installed program), else the program's own folder.
std::string DataFolderFor(const std::string& exe_path, std::string_view data_file);

// The user's documents folder: XDG_DOCUMENTS_DIR of user-dirs.dirs in $XDG_CONFIG_HOME (default
// ~/.config) when it names an existing folder, else the home folder; empty when no home is known.
std::string UserDocumentsFolder();

// The home folder: $HOME, else the one of the user's account; empty when neither is known.
std::string HomeFolder();

// The user's configuration folder: an absolute $XDG_CONFIG_HOME, else ~/.config; empty when no
// home is known.
std::string UserConfigFolder();

// The user's cache folder: an absolute $XDG_CACHE_HOME, else ~/.cache; empty when no home is
// known. Nothing is created.
std::string UserCacheFolder();

// Where a file dialog about path starts: the folder of path while it exists, else the user's
// documents folder, never the program's folder, which an installed program cannot write.
std::string DialogFolderFor(const std::string& path);

// Replaces text by its non-empty pieces (cut at separator, up to the first empty one), each
// followed by joiner; returns the number of pieces.
int RejoinFields(std::string& text, std::string_view separator, std::string_view joiner);

}  // namespace kel
