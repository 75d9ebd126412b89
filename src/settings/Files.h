#pragma once
// File access shared by every file the program keeps in its working folder.
#include <stdexcept>
#include <string>

// The input/output error of a file that opened but could not be read or
// written whole (for example a file shorter than its fixed layout). It
// escapes to the application's handler, which shows its text.
class EInOutError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

bool FileExists(const std::string& name);

// Reads a whole file as raw bytes; false if it cannot be opened or read.
bool ReadWholeFile(const std::string& name, std::string& bytes);

// Replaces the file's content as one step: the bytes go to a temporary file
// beside it, are synced to disk, and the temporary file is renamed over the
// old one. An interrupted or failed write leaves the old file whole.
// On failure returns false and sets `error` to the system's reason.
bool WriteFileAtomically(const std::string& name, const std::string& bytes, std::string* error = nullptr);

// Appends bytes to the end of a file (created if missing), flushes and
// syncs them to disk before returning. False, with the reason, on failure.
bool AppendToFile(const std::string& name, const std::string& bytes, std::string* error = nullptr);
