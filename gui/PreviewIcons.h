// The pictures of the preview panel's buttons, drawn here: a plain picture and
// a highlighted one that the button shows while the mouse is over it.
#pragma once

#include <QIcon>

class QPalette;

enum class TPreviewPicture { Play, Pause, Stop, Sound, Muted, Snapshot, Settings };

inline constexpr int PreviewIconSize = 22;

// Normal mode: the plain picture; Active mode: the highlighted one. Drawn in
// the button colours of `palette`, so that the pictures suit the skin.
QIcon PreviewIcon(TPreviewPicture picture, const QPalette& palette);
