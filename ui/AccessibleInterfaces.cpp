#include "AccessibleInterfaces.h"

#include "InputBoxAccessible.h"
#include "ResultBoxAccessible.h"
#include "StatusMessageAccessible.h"

#include <QAccessible>

void installAccessibleInterfaces()
{
    static const bool installed = [] {
        QAccessible::installFactory(&resultBoxAccessible);
        QAccessible::installFactory(&inputBoxAccessible);
        QAccessible::installFactory(&statusMessageAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}
