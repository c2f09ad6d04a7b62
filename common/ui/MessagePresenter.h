#pragma once
#include <QMessageBox>
#include <QString>

// What a message box shows; always one OK button, always modal.
struct MessageBoxSpec {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    bool operator==(const MessageBoxSpec&) const = default;
};

// Every box the program shows goes through the installed presenter; tests install one
// that records instead of blocking.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    virtual void present(const MessageBoxSpec& message) = 0;
};

// Builds the production box without running it.
QMessageBox* buildMessageBox(const MessageBoxSpec& message, QWidget* parent = nullptr);

// Shows the box through the installed presenter; returns after it was dismissed. While a box
// is open, another waits for it and this returns at once.
void presentMessage(const MessageBoxSpec& message);
// The same once control is back in the event loop: for handlers inside which no box may open.
void presentMessageLater(const MessageBoxSpec& message);

// True while a box is open (ticks and error boxes check it to never stack boxes).
bool messageBoxOpen();

// nullptr restores the production presenter (QMessageBox::exec).
void setMessagePresenter(MessagePresenter* presenter);
