#pragma once

// Makes the toolkit's own texts Russian (the buttons of message boxes, the file dialogs), whatever
// language the system is set to: loads the toolkit's Russian catalogue, makes Russian the default
// locale, and keeps the dialogs the toolkit's own, since a desktop's native dialogs follow the
// system's language. Call once the application object exists. False when the catalogue is not
// installed: the toolkit's texts then stay English.
bool LoadRussianTranslations();
