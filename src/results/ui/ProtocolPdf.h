#pragma once
// Protocol pages saved as a PDF document, drawn exactly as they print.
#include <QByteArray>
#include <QString>

#include <string>
#include <vector>

// The pages as one PDF document, one sheet each, in order, on the protocol
// sheet (ProtocolPageLayout), with the title and the program as creator.
// Empty when the document could not be drawn.
QByteArray ProtocolPdf(const std::vector<std::vector<std::string>>& pages, const QString& title);

// Writes ProtocolPdf to the file in one step, as the other protocol files
// are written: a failed write leaves any earlier file whole. False, with
// the reason, on failure.
bool WriteProtocolPdf(const std::string& fileName, const std::vector<std::vector<std::string>>& pages,
                      const QString& title, std::string* error = nullptr);
