// SPDX-License-Identifier: MIT
#include "widgets/ImageComboBox.h"

#include <QIcon>
#include <QPixmap>

namespace rfbind::app {

ImageComboBox::ImageComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setIconSize(QSize(63, 14));
}

void ImageComboBox::addImage(const QPixmap& picture, const QString& name) {
    addItem(QIcon(picture), QString());
    if (!name.isEmpty())
        setItemData(count() - 1, name, Qt::AccessibleTextRole);
}

} // namespace rfbind::app
