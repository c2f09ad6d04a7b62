#pragma once
#include <QDialog>
#include <QString>
#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class TADOQuery;
class GlyphButton;
class TDosMove;
class BevelPanel;

// The login dialog: checks an operator's name and password, and lets the operator change
// the password (which ends the program; the next start uses the new one).
class Tfmlogin : public QDialog {
    Q_OBJECT
public:
    explicit Tfmlogin(QWidget* parent = nullptr);
    ~Tfmlogin() override;

    // Runs the dialog modally. Clears LoginOK first; returns at once, as cancelled, when the
    // application is terminating (the connection failed).
    int showModal();

    bool LoginOK = false;

    BevelPanel* panel1; // top: picture and prompt
    QLabel* image1;
    QLabel* label5;
    QLabel* Label3;
    QComboBox* ComboBox1;
    QLabel* Label2;
    QLineEdit* Edit1;
    QLabel* Label4;
    QLineEdit* Edit2;
    QLabel* Label1;
    QLineEdit* Edit4;
    BevelPanel* panel2; // bottom: the buttons
    GlyphButton* bbOk;
    GlyphButton* bbCancel;
    GlyphButton* bbChangPw;
    TDosMove* dosMove1;
    std::unique_ptr<TADOQuery> Q;
    std::unique_ptr<TADOQuery> Qcpw;

    bool changeMode() const;

    void bbOkClick();
    void bbCancelClick();
    void bbChangPwClick();

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void FormShow();
    void fieldEnter(QWidget* field);
    void fieldExit(QWidget* field);
    void showFocusColour();
    void checkLogin();
    bool storable(const QString& newPassword) const;
    void changePassword(const QString& name, const QString& newPassword);
    bool isInputField(QObject* object) const;
};
