#include "userprompt.h"

#include "formatconfirmdialog.h"

#include <QMessageBox>

bool showUserPrompt(QWidget *parent, const UserPrompt &prompt)
{
    switch (prompt.kind) {
    case UserPrompt::Warning:
        QMessageBox::warning(parent, prompt.title, prompt.text, QMessageBox::Ok);
        return false;
    case UserPrompt::Critical:
        QMessageBox::critical(parent, prompt.title, prompt.text, QMessageBox::Ok);
        return false;
    case UserPrompt::RunError: {
        auto *box = new QMessageBox(QMessageBox::Critical, prompt.title, prompt.text,
                                    QMessageBox::Ok, parent);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->open();
        return false;
    }
    case UserPrompt::Question:
        return QMessageBox::question(parent, prompt.title, prompt.text,
                                     QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               == QMessageBox::Yes;
    case UserPrompt::FormatConfirm: {
        FormatConfirmDialog dialog(prompt.title, prompt.text, parent);
        return dialog.exec() == QDialog::Accepted;
    }
    }
    return false;
}
