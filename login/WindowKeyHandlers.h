#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

// A window's own key handlers. While KeyPreview is on they see every key typed into any
// control of the window before that control does; a handler that clears the key (0) or
// the character (a null QChar) keeps it from the control.
class WindowKeyHandlers : public QObject {
    Q_OBJECT
public:
    using TKeyEvent = std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
    using TKeyPressEvent = std::function<void(QObject* sender, QChar& key)>;

    // The window's handlers, made on first use; they live as long as the window.
    static WindowKeyHandlers& Of(QWidget* window);

    bool KeyPreview = false;
    TKeyEvent OnKeyDown;
    TKeyPressEvent OnKeyPress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowKeyHandlers(QWidget* window);
    static WindowKeyHandlers* Find(const QWidget* window);
    // One key event aimed at the window's focused control: runs the handlers and says
    // whether the control must not receive it.
    bool Preview(QObject* sender, int key, Qt::KeyboardModifiers shift, const QString& text);
    QWidget* window_;
};
