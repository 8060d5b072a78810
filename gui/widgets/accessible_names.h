#pragma once
// Names for a screen reader. A control that a label stands beside (its buddy) takes the
// label's text as its accessible name, so that platforms which read the name rather than the
// label relation (and lists, whose name otherwise is their current item) say what it is.

class QWidget;

namespace accessiblenames {

// Names every buddy of a label under `root` that has no name yet; mnemonic marks are dropped.
void nameFromBuddies(QWidget* root);

}  // namespace accessiblenames
