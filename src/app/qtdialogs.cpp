#include "qtdialogs.h"

#include <QApplication>
#include <QMessageBox>

namespace soinsuu {

void QtDialogs::message(const QString& title, const QString& text, Icon icon)
{
    QMessageBox::Icon qtIcon = QMessageBox::Information;
    switch (icon) {
    case Icon::Information: qtIcon = QMessageBox::Information; break;
    case Icon::Warning: qtIcon = QMessageBox::Warning; break;
    case Icon::Critical: qtIcon = QMessageBox::Critical; break;
    case Icon::Question: qtIcon = QMessageBox::Question; break;
    }
    QMessageBox box(qtIcon, title, text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

bool QtDialogs::question(const QString& title, const QString& text)
{
    return QMessageBox::question(QApplication::activeWindow(), title, text, QMessageBox::Yes | QMessageBox::No)
           == QMessageBox::Yes;
}

bool QtDialogs::confirm(const QString& title, const QString& text)
{
    return QMessageBox::question(QApplication::activeWindow(), title, text, QMessageBox::Ok | QMessageBox::Cancel,
                                 QMessageBox::Cancel)
           == QMessageBox::Ok;
}

} // namespace soinsuu
