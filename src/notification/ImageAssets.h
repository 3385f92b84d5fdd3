#pragma once

#include <QPixmap>
#include <QString>

// Bitmaps of the user interface, looked up by name among the images compiled into
// the program (resources/ui/images): "<name>.png" drawn at one pixel per point and
// "<name>@2x.png" at two.
class ImageAssets {
public:
    // The variant for the given pixel ratio (the @2x one above 1 when it exists), with
    // its pixel ratio set so that it draws at its size in points. A null pixmap for a
    // name without images. Main thread only.
    static QPixmap imageNamed(const QString& name, qreal devicePixelRatio);
    // The same for the largest pixel ratio of the application's screens.
    static QPixmap imageNamed(const QString& name);

    // The sharpest variant as an image, for drawing at any size.
    static QImage largestImageNamed(const QString& name);
};
