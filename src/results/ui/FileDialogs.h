#pragma once
// The program's file dialogs show the working folder without opening a
// file in it. By default Qt tells the type (and icon) of a file whose name
// it does not know from its first bytes, opening and closing every such
// file of the folder; closing any descriptor of a file drops the locks
// SQLite holds on it, and another program reading the test register (the
// sqlite3 tool) then takes it for unused and removes its write-ahead log
// while this program still writes into it.
class QFileDialog;

// Types and icons from the names alone.
void KeepFilesUnopened(QFileDialog* dialog);
