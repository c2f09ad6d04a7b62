#include "MessagePresenter.h"

#include <QApplication>
#include <memory>

namespace {

class ModalBoxPresenter : public MessagePresenter {
public:
    void present(const MessageBoxSpec& spec) override
    {
        std::unique_ptr<QMessageBox> box(buildMessageBox(spec, QApplication::activeWindow()));
        box->exec();
    }
};

ModalBoxPresenter productionPresenter;
MessagePresenter* installed = nullptr;
int openBoxes = 0;

} // namespace

QMessageBox* buildMessageBox(const MessageBoxSpec& spec, QWidget* parent)
{
    auto* box = new QMessageBox(spec.icon, spec.caption, spec.text, QMessageBox::Ok, parent);
    box->setWindowModality(Qt::ApplicationModal);
    box->setDefaultButton(QMessageBox::Ok);
    box->setEscapeButton(QMessageBox::Ok);
    return box;
}

void presentMessage(const MessageBoxSpec& spec)
{
    MessagePresenter* presenter = installed ? installed : &productionPresenter;
    ++openBoxes;
    struct Done {
        ~Done() { --openBoxes; }
    } done;
    presenter->present(spec);
}

bool messageBoxOpen() { return openBoxes > 0; }

void setMessagePresenter(MessagePresenter* presenter) { installed = presenter; }
