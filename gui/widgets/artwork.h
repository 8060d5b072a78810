#pragma once
// The program's pictures, drawn at run time so that no binary assets are needed.

#include <QPixmap>

namespace artwork {

// The banner of the main window's top band and the about box (2760 x 450 twips).
QPixmap banner();
// The program icon, 480 x 480 twips unless another side in pixels is asked for (the icon
// files of the Windows program are drawn from it).
QPixmap icon(int side = 0);
// The about box's click-to-close picture (1275 x 1500 twips).
QPixmap aboutPicture();

}  // namespace artwork
