#include "controls/AccessibleComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>
#include <QComboBox>
#include <QLineEdit>

namespace {

class ComboBoxAccessible : public QAccessibleWidget {
public:
    explicit ComboBoxAccessible(QComboBox *box) : QAccessibleWidget(box, QAccessible::ComboBox) {}

    QString text(QAccessible::Text kind) const override {
        if (kind == QAccessible::Value ||
            (kind == QAccessible::Name && widget()->accessibleName().isEmpty()))
            return box()->currentText();
        return QAccessibleWidget::text(kind);
    }

    // The rows (the pop-up list), then the typing line of an editable one.
    int childCount() const override { return box()->lineEdit() ? 2 : 1; }
    QAccessibleInterface *child(int index) const override {
        if (index == 0)
            return QAccessible::queryAccessibleInterface(box()->view());
        if (index == 1 && box()->lineEdit())
            return QAccessible::queryAccessibleInterface(box()->lineEdit());
        return nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override {
        if (!child)
            return -1;
        if (child->object() == box()->view())
            return 0;
        return box()->lineEdit() && child->object() == box()->lineEdit() ? 1 : -1;
    }

    QStringList actionNames() const override {
        return QAccessibleWidget::actionNames() << showMenuAction() << pressAction();
    }
    void doAction(const QString &name) override {
        if (name != showMenuAction() && name != pressAction()) {
            QAccessibleWidget::doAction(name);
            return;
        }
        if (box()->view()->isVisible())
            box()->hidePopup();
        else
            box()->showPopup();
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *comboBoxAccessible(const QString &className, QObject *object) {
    if (className == QLatin1String("QComboBox"))
        if (auto *box = qobject_cast<QComboBox *>(object))
            return new ComboBoxAccessible(box);
    return nullptr;
}

} // namespace

void nameDropDownListsForScreenReaders() {
    static const bool installed = [] {
        QAccessible::installFactory(comboBoxAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}
