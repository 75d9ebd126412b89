#pragma once
// The post's part of the shared journal, kept in the [server] section of
// Kavrel.ini in the working folder (Qt's INI format, UTF-8): the post's
// name as the journal shows it, the libpq connection string or URI the
// post sends with, and, for a place that reads the whole journal, the one
// it reads with (the post's own when empty). No password is ever kept
// there: libpq takes it from ~/.pgpass or its service file.
#include <string>

inline constexpr const char* ServerSettingsFileName = "Kavrel.ini";

struct ServerSettings {
    std::string post;
    std::string connection;
    std::string journal;

    // Sending is configured: both the post and the connection are given.
    bool Sends() const { return !post.empty() && !connection.empty(); }
    // The connection the shared journal is read with, or empty.
    const std::string& JournalConnection() const { return journal.empty() ? connection : journal; }
    bool operator==(const ServerSettings&) const = default;
};

// Reads the section; a missing file or key gives empty values.
ServerSettings LoadServerSettings(const std::string& fileName = ServerSettingsFileName);
// Writes the section, keeping the file's other sections; false with the
// reason when the file cannot be written.
bool SaveServerSettings(const ServerSettings& s, std::string* reason,
                        const std::string& fileName = ServerSettingsFileName);
