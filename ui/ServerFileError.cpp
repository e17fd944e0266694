#include "ServerFileError.h"

#include <QMessageBox>

void showServerFileError()
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Ondrix"),
                    QStringLiteral("Possible corrupt server file. Reinstall application"),
                    QMessageBox::Ok);
    box.setObjectName(QStringLiteral("serverFileError"));
    box.exec();
}
