#include "StatusMenu/MessageBoxAlert.h"

#include <QCheckBox>
#include <QMessageBox>
#include <QPushButton>

namespace quillmarsh {

AlertRequest::Answer MessageBoxAlert::run(const AlertRequest& request) {
    QMessageBox box(request.style == AlertRequest::Style::warning ? QMessageBox::Warning : QMessageBox::Information,
                    QStringLiteral("Quillmarsh"), QString::fromStdString(request.title));
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(QString::fromStdString(request.message));
    box.setWindowModality(Qt::ApplicationModal);
    QPushButton* confirm = box.addButton(QString::fromStdString(request.confirm), QMessageBox::AcceptRole);
    box.addButton(QString::fromStdString(request.cancel), QMessageBox::RejectRole);
    box.setDefaultButton(confirm);
    QCheckBox* suppression = nullptr;
    if (request.suppression) {
        suppression = new QCheckBox(QString::fromStdString(*request.suppression));
        box.setCheckBox(suppression);  // the box owns it
    }
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    return {box.clickedButton() == confirm, suppression != nullptr && suppression->isChecked()};
}

} // namespace quillmarsh
