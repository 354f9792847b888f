#include "gui/app/KeyboardAccess.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

namespace kesto {

QString WithoutMnemonic(const QString& label) {
    QString text;
    text.reserve(label.size());
    for (qsizetype i = 0; i < label.size(); ++i) {
        if (label[i] == u'&' && i + 1 < label.size()) ++i;
        text += label[i];
    }
    return text.trimmed();
}

void NameAfterLabel(QWidget* control, const QString& label) {
    control->setAccessibleName(WithoutMnemonic(label));
}

// Labels go first: a button with a label of its own beside it ("Browse" beside "?") is
// better known by that label than by its face.
void NameControlsAfterLabels(QWidget* root) {
    for (QLabel* label : root->findChildren<QLabel*>()) {
        QWidget* buddy = label->buddy();
        if (buddy && buddy->accessibleName().isEmpty() && !label->text().isEmpty()) {
            NameAfterLabel(buddy, label->text());
        }
    }
    for (QAbstractButton* button : root->findChildren<QAbstractButton*>()) {
        if (button->accessibleName().isEmpty() && !button->text().isEmpty()) {
            NameAfterLabel(button, button->text());
        }
    }
}

// Qt leaves a pair alone when the second widget already follows the first round the ring,
// even when the ring's start, the window, lies between them, and the window would then open
// on the wrong control. Each widget is therefore first taken out of its place, to just
// behind the list's first widget, and only then put behind its predecessor.
void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* first = nullptr;
    QWidget* previous = nullptr;
    for (QWidget* widget : widgets) {
        if (previous) {
            QWidget::setTabOrder(first, widget);
            QWidget::setTabOrder(previous, widget);
        } else {
            first = widget;
        }
        previous = widget;
    }
}

}  // namespace kesto
