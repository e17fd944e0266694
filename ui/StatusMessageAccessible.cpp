#include "StatusMessageAccessible.h"

#include "StatusLine.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace {

// Screen readers speak a notification when it shows, and inside a status bar they say only its
// text, without a role word. A plain label would be read only when the user asks for the status
// bar.
class StatusMessageAccessible : public QAccessibleWidget
{
public:
    explicit StatusMessageAccessible(QLabel *message)
        : QAccessibleWidget(message, QAccessible::Notification)
    { }

    QString text(QAccessible::Text type) const override
    {
        if (type == QAccessible::Name)
            return static_cast<QLabel *>(widget())->text();
        return QAccessibleWidget::text(type);
    }
};

} // namespace

QAccessibleInterface *statusMessageAccessible(const QString &className, QObject *object)
{
    Q_UNUSED(className);
    auto *line = object ? qobject_cast<StatusLine *>(object->parent()) : nullptr;
    return line && line->message() == object ? new StatusMessageAccessible(line->message())
                                             : nullptr;
}
