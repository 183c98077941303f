// SPDX-License-Identifier: MIT
#pragma once

#include <QComboBox>

namespace rfbind::app {

/// A drop-down list whose items are pictures rather than words, such as the language list:
/// each item shows its icon at the list's image size (63 x 14 unless set otherwise) and no
/// text. Selection only, no typing.
class ImageComboBox : public QComboBox {
    Q_OBJECT

public:
    explicit ImageComboBox(QWidget* parent = nullptr);

    /// Appends a picture item; `name` is not shown, it is what assistive tools read out.
    void addImage(const QPixmap& picture, const QString& name = QString());
};

} // namespace rfbind::app
