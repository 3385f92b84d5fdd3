#pragma once

#include <QWidget>

class AttributedLabel;
class ImageView;
class RemovedAppDisplayItem;

// The content of one row of the removed-applications list: the application's
// icon, its name in capitalised words and, at the right, the size of its leftovers.
class RemovedAppCellView : public QWidget {
    Q_OBJECT

public:
    static constexpr int iconSize = 28;
    static constexpr int iconLeft = 22;
    static constexpr int textLeft = 66;
    static constexpr int rightInset = 14;
    static constexpr int spacing = 8;

    explicit RemovedAppCellView(QWidget* parent = nullptr);

    ImageView* iconImgView() const { return m_iconImgView; }
    AttributedLabel* appNameLabel() const { return m_appNameLabel; }
    AttributedLabel* sizeLabel() const { return m_sizeLabel; }

    void updateWithItem(const RemovedAppDisplayItem& item);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void layoutSubviews();

    ImageView* m_iconImgView{nullptr};
    AttributedLabel* m_appNameLabel{nullptr};
    AttributedLabel* m_sizeLabel{nullptr};
};
