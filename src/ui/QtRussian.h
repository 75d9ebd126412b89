#pragma once
// Qt's own dialogs and buttons (file dialog, message box buttons, context
// menus) in Russian, like the rest of the program, whatever the system
// locale.

// Installs Qt's Russian translations ("qtbase_ru", from Debian's
// qt6-translations-l10n) into the running application, once. Called at
// program start and by the window tests, after the application object is
// made. False when the translations are not installed: Qt's texts then stay
// English and the program works on.
bool LoadQtRussian();
