#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

// Shows an image scaled proportionally to fit the view and centred in it, resampled
// smoothly for the screen's pixel ratio (large icons drawn small would otherwise
// shimmer).
class ImageView : public QWidget {
    Q_OBJECT

public:
    explicit ImageView(QWidget* parent = nullptr);

    const QImage& image() const { return m_image; }
    void setImage(const QImage& image);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
    QPixmap m_scaled;
};
