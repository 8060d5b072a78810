#pragma once
// Message boxes appear where the user looks: centred on the window they belong to, or on
// the screen while that window is not yet on show (the start-up message next to the splash).

// Installs, once per application, the filter that places message boxes as they are shown.
void installMessageBoxPlacement();
