#pragma once
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

// A window's own key handlers. While keyPreview is on they see every key typed into any
// control of the window before that control does; a handler that clears the key (0) or
// the character (a null QChar) keeps it from the control.
class WindowKeyHandlers : public QObject {
    Q_OBJECT
public:
    using KeyDownHandler =
        std::function<void(QObject* sender, int& key, Qt::KeyboardModifiers shift)>;
    using KeyPressHandler = std::function<void(QObject* sender, QChar& key)>;

    // The window's handlers, made on first use; they live as long as the window.
    static WindowKeyHandlers& of(QWidget* window);

    bool keyPreview = false;
    KeyDownHandler onKeyDown;
    KeyPressHandler onKeyPress;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit WindowKeyHandlers(QWidget* window);
    static WindowKeyHandlers* find(const QWidget* window);
    // One key event aimed at the window's focused control: runs the handlers and says
    // whether the control must not receive it.
    bool preview(QObject* sender, int key, Qt::KeyboardModifiers shift, const QString& text);
    QWidget* window_;
};
