#include "ui/KeyboardLink.h"

#include <QAccessibleActionInterface>
#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QLabel>

namespace {

constexpr char kLinkProperty[] = "qvjKeyboardLink";

// A link: named by its text; its press action activates it as Enter does.
class AccessibleLink : public QAccessibleWidget
{
public:
    explicit AccessibleLink(QLabel *label)
        : QAccessibleWidget(label, QAccessible::Link)
    {
    }

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
            return static_cast<const QLabel *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
    QStringList actionNames() const override
    {
        return QStringList(pressAction()) << QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name != pressAction())
            return QAccessibleWidget::doAction(name);
        QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
        QCoreApplication::sendEvent(widget(), &enter);
    }
};

QAccessibleInterface *LinkFactory(const QString &className, QObject *object)
{
    auto *label = qobject_cast<QLabel *>(object);
    if (className == QLatin1String("QLabel") && label && label->property(kLinkProperty).toBool())
        return new AccessibleLink(label);
    return nullptr;
}

} // namespace

void MakeKeyboardLink(QLabel *label)
{
    static const bool installed = (QAccessible::installFactory(&LinkFactory), true);
    Q_UNUSED(installed);
    label->setProperty(kLinkProperty, true);
    label->setFocusPolicy(Qt::TabFocus);
    label->setStyleSheet(QStringLiteral("QLabel:focus { border: 1px solid %1; }")
                             .arg(label->palette().color(QPalette::WindowText).name()));
}

bool IsLinkActivation(const QObject *watched, const QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !watched->property(kLinkProperty).toBool())
        return false;
    const int key = static_cast<const QKeyEvent *>(event)->key();
    return key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter;
}
