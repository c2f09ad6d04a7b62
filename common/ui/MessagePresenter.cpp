#include "MessagePresenter.h"

#include <QApplication>
#include <QTimer>
#include <QVector>
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
MessageBoxSpec shown;            // the box open now
QVector<MessageBoxSpec> waiting; // asked for meanwhile, shown in turn

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
    // One box at a time: one asked for while a box is open (from its own message loop) waits
    // for it, and the same box twice in a row is one.
    if (openBoxes > 0) {
        if (!waiting.contains(message) && message != shown)
            waiting.push_back(message);
        return;
    }
    MessagePresenter* presenter = installed ? installed : &productionPresenter;
    for (MessageBoxSpec next = message;;) {
        shown = next;
        ++openBoxes;
        struct Done {
            ~Done()
            {
                --openBoxes;
                shown = {};
            }
        } done;
        presenter->present(next);
        if (waiting.isEmpty())
            break;
        next = waiting.takeFirst();
    }
}

void presentMessageLater(const MessageBoxSpec& message)
{
    if (!waiting.contains(message) && message != shown)
        waiting.push_back(message);
    QTimer::singleShot(0, qApp, [] {
        if (openBoxes > 0 || waiting.isEmpty())
            return; // the open box shows it when it closes
        presentMessage(waiting.takeFirst());
    });
}

bool messageBoxOpen()
{
    return openBoxes > 0;
}

void setMessagePresenter(MessagePresenter* presenter)
{
    installed = presenter;
}
