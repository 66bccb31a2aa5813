#include "DialogKeys.h"

#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <algorithm>

namespace {

// The buttons that are one exclusive choice with button: its button group, or else its
// auto-exclusive siblings.
QList<QAbstractButton *> Group(QAbstractButton *button) {
    if (QButtonGroup *group = button->group())
        return group->exclusive() ? group->buttons() : QList<QAbstractButton *>{button};
    if (!button->autoExclusive() || !button->parentWidget())
        return {button};
    QList<QAbstractButton *> members;
    for (auto *sibling : button->parentWidget()->findChildren<QAbstractButton *>(
             QString(), Qt::FindDirectChildrenOnly))
        if (sibling->autoExclusive() && !sibling->group())
            members.append(sibling);
    return members;
}

// The next widget in the focus chain that takes Tab focus and is not one of group.
QWidget *NextOutside(QWidget *from, const QList<QAbstractButton *> &group, bool forward) {
    QWidget *window = from->window();
    for (QWidget *w = forward ? from->nextInFocusChain() : from->previousInFocusChain();
         w && w != from; w = forward ? w->nextInFocusChain() : w->previousInFocusChain()) {
        const bool inGroup = std::any_of(group.begin(), group.end(),
                                         [w](const QAbstractButton *b) { return b == w; });
        if (!inGroup && w->window() == window && (w->focusPolicy() & Qt::TabFocus) &&
            w->isEnabled() && w->isVisible())
            return w;
    }
    return nullptr;
}

} // namespace

TDialogKeys::TDialogKeys(QObject *parent) : QObject(parent) {}

void TDialogKeys::Install() {
    if (qApp && !qApp->findChild<TDialogKeys *>(QString(), Qt::FindDirectChildrenOnly))
        qApp->installEventFilter(new TDialogKeys(qApp));
}

bool TDialogKeys::eventFilter(QObject *watched, QEvent *event) {
    // The widget that loses the focus is told before the one that gains it.
    if (event->type() == QEvent::FocusOut) {
        if (auto* widget = qobject_cast<QWidget*>(watched))
            previousFocus = widget;
        return false;
    }
    if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *button = qobject_cast<QAbstractButton *>(watched);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && button && button->hasFocus() && button->isEnabled() &&
            (qobject_cast<QPushButton *>(button) || qobject_cast<QToolButton *>(button)) &&
            qobject_cast<QDialog *>(button->window()) && key->modifiers() == Qt::NoModifier) {
            button->click();
            return true;
        }
    } else if (event->type() == QEvent::FocusIn) {
        auto *radio = qobject_cast<QRadioButton *>(watched);
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (!radio || radio->isChecked() ||
            (reason != Qt::TabFocusReason && reason != Qt::BacktabFocusReason))
            return false;
        const QList<QAbstractButton *> group = Group(radio);
        QAbstractButton *checked = nullptr;
        for (QAbstractButton *member : group)
            if (member->isChecked() && member->isEnabled() && member->isVisible())
                checked = member;
        if (!checked)
            return false;
        auto *from = qobject_cast<QAbstractButton *>(previousFocus.data());
        QWidget *target = checked;
        if (from && group.contains(from)) {
            // Leaving the group: on past its other buttons, in the direction of the key.
            target = NextOutside(radio, group, reason == Qt::TabFocusReason);
        }
        if (target)
            QMetaObject::invokeMethod(
                target, [target, reason] { target->setFocus(reason); }, Qt::QueuedConnection);
    }
    return false;
}
