#pragma once
// The pictures of the preview's buttons: the desktop theme's icon where there is one,
// else a small picture drawn here, so that no button is ever blank.

#include <QIcon>

namespace zest::preview
{

enum class ButtonPicture { Print, PrinterSetup, Find, Save, Clear, SavePdf };

QIcon ButtonIcon(ButtonPicture picture);

// The drawn picture alone, whatever the theme has.
QIcon DrawnIcon(ButtonPicture picture);

} // namespace zest::preview
