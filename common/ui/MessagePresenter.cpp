#include "MessagePresenter.h"

#include <QApplication>
#include <memory>

namespace {

class ModalBoxPresenter : public MessagePresenter {
public:
    void present(const MessageBoxSpec& message) override
    {
        std::unique_ptr<QMessageBox> box(buildMessageBox(message, QApplication::activeWindow()));
        box->exec();
    }
};

ModalBoxPresenter productionPresenter;
MessagePresenter* installed = nullptr;
int openBoxes = 0;

} // namespace

QMessageBox* buildMessageBox(const MessageBoxSpec& message, QWidget* parent)
{
    auto* box =
        new QMessageBox(message.icon, message.caption, message.text, QMessageBox::Ok, parent);
    box->setWindowModality(Qt::ApplicationModal);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    return box;
}

void presentMessage(const MessageBoxSpec& message)
{
    MessagePresenter* presenter = installed ? installed : &productionPresenter;
    ++openBoxes;
    struct Done {
        ~Done() { --openBoxes; }
    } done;
    presenter->present(message);
}

bool messageBoxOpen()
{
    return openBoxes > 0;
}

void setMessagePresenter(MessagePresenter* presenter)
{
    installed = presenter;
}
