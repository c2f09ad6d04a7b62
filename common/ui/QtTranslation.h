#pragma once

// Loads Qt's own Chinese texts (the message box's buttons, the edit fields' menu, ...) for
// the Chinese user interface, whatever the session's language; false when Debian's
// qt6-translations-l10n is not installed, and Qt's texts stay English.
bool installQtTranslation();
