#pragma once
// The pictures of the two lists: one icon per source kind, and the drag pictures.
#include <QIcon>
#include <QPixmap>

namespace gui {

// 0 plain demo, 1 in a .pk3, 2 in a .zip, 3 in a self-extracting .exe; 4 to 7 the same without mod
// information (crossed out: such demos cannot be played from the list).
QIcon SourceKindIcon(int kind);
// The small pictures in the demo list's headers of the user data columns: an eye for "POV", a
// star for "Rating", a globe for "Web" and a note for "Description"; null for other columns.
QIcon UserDataHeaderIcon(int column);
// The picture under the mouse while rows are dragged: one document or a small stack.
QPixmap DragPixmap(bool severalRows);

} // namespace gui
