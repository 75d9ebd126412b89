#pragma once
// File access shared by every file the program keeps in its working folder.
#include <stdexcept>
#include <string>

// The input/output error of a file that opened but could not be read or
// written whole (for example a file shorter than its fixed layout, or a full
// disk). It escapes to the application's handler, which shows its text.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool FileExists(const std::string& name);

// Reads a whole file as raw bytes; false if it cannot be opened or read.
bool ReadWholeFile(const std::string& name, std::string& bytes);

// The system's reason for a failed file operation, in Russian where the
// program knows the error, else the system's own text.
std::string FileErrorText(int error);

// How a file replacement ended.
struct TFileWrite {
    bool Written = false;
    // The file could be opened for writing (an existing file) or created (a
    // new one). False means the program may not write there at all: a
    // read-only file, a folder it may not create files in, a missing folder.
    bool Opened = false;
    // On failure: the file's name and the system's reason.
    std::string Reason;
};

// Replaces the file's content as one step where the folder allows it: the
// bytes go to "<file>.tmp" beside the file, are synced to disk, and the
// temporary file is renamed over the old one, so an interrupted or failed
// write leaves the old file whole. What the user set up survives:
//  - a symbolic link is followed: the file it leads to is replaced and the
//    link stays a link;
//  - the file's permission bits (and owner, where allowed) are kept;
//  - a file the program may not write is refused as an in-place open would
//    refuse it, and left untouched;
//  - in a folder where no new file may be created, a writable file is
//    written in place (flushed and synced) instead.
// A stale "<file>.tmp" file is overwritten; anything else of that name in
// the way (a folder) fails the write with a reason that names it.
TFileWrite ReplaceFile(const std::string& name, const std::string& bytes);

// ReplaceFile, answering only whether it worked; `error` gets the reason.
bool WriteFileAtomically(const std::string& name, const std::string& bytes, std::string* error = nullptr);

// Appends bytes to the end of a file (created if missing), flushes and
// syncs them to disk before returning. When the write or the sync fails
// (a full disk), the file is cut back to its size before the append, so no
// partial line stays behind. False, with the reason, on failure.
bool AppendToFile(const std::string& name, const std::string& bytes, std::string* error = nullptr);

// AppendToFile for text files of lines ending in CR LF: when the file's last
// line has no line end (a hand-edited file, or an append that a crash or a
// power cut stopped half way), CR LF is written first, so that the new
// lines start on a line of their own instead of being glued to it.
bool AppendTextLines(const std::string& name, const std::string& bytes, std::string* error = nullptr);
