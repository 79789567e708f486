#pragma once

// Sets the running application up as the program needs it before its main window is built: its
// name, version and icon, the toolkit's Russian texts, and the engine's folder as the current
// folder, where the engine scripts are run by name.
void PrepareApplication();
