#include "login.h"

#include "ADODataSet.h"
#include "Application.h"
#include "BevelPanel.h"
#include "Colors.h"
#include "DosMove.h"
#include "Fonts.h"
#include "GBText.h"
#include "GlyphButton.h"
#include "LoginGlyphs.h"
#include "MXT_PUB.h"
#include "PictureRatio.h"
#include "Statements.h"
#include "data.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QInputMethod>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProxyStyle>
#include <QScreen>
#include <QStyleFactory>

namespace {

const QString kEnterNameAndPassword = QStringLiteral("请输入用户名和口令！");
const QString kNoSuchUser = QStringLiteral("没有这个用户名存在，您不能使用本系统！");
const QString kWrongPassword = QStringLiteral("口令不正确，不能登录！");
const QString kPasswordsDiffer = QStringLiteral("两次密码要一致，才能修改口令!");
const QString kPasswordChanged = QStringLiteral("密码修改成功,请下次使用新口令登录系统!");
const QString kPasswordUnstorable =
    QStringLiteral("新口令最长20个字节（一个汉字占2个），且只能使用国标字符，请重新输入！");

// Password fields show "*" for every character, whatever the style would pick.
class StarPasswordStyle : public QProxyStyle {
public:
    explicit StarPasswordStyle(QStyle* base) : QProxyStyle(base) {}
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_LineEdit_PasswordCharacter)
            return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

QLabel* makeLabel(const QString& text, QWidget* parent, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setMargin(0);
    label->setIndent(0);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->move(x, y);
    label->adjustSize();
    return label;
}

QLineEdit* makePasswordEdit(QWidget* parent, const QRect& geometry, QStyle* style)
{
    auto* edit = new QLineEdit(parent);
    edit->setStyle(style);
    edit->setEchoMode(QLineEdit::Password);
    edit->setGeometry(geometry);
    return edit;
}

} // namespace

Tfmlogin::Tfmlogin(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("fmlogin"));
    setWindowTitle(QStringLiteral("login-用户登录"));
    setFont(pixelFont(kSongTi, 14));
    setFixedSize(380, 208);
    setAutoFillBackground(true);
    QPalette face = palette();
    face.setColor(QPalette::Window, systemColor(SystemColor::BtnFace));
    setPalette(face);

    createControls();

    Connection* connection = DM ? DM->ConSG.get() : nullptr;
    Q = std::make_unique<TADOQuery>(QStringLiteral("Q"), connection);
    Q->setStatement(statements::operatorLookup());
    Qcpw = std::make_unique<TADOQuery>(QStringLiteral("Qcpw"), connection);
    Qcpw->setStatement(statements::passwordChange());

    dosMove1 = new TDosMove(this);
    dosMove1->Active = true;
}

Tfmlogin::~Tfmlogin() = default;

void Tfmlogin::createControls()
{
    panel1 = new BevelPanel(this);
    panel1->setGeometry(0, 0, 380, 50);
    panel1->Color = Qt::white;
    panel1->bevelOuter = PanelBevel::Lowered;
    panel1->bevelInner = PanelBevel::Raised;
    image1 = new QLabel(panel1);
    image1->setGeometry(10, 8, 32, 32);
    image1->setPixmap(loginglyphs::topPicture(pictureRatio(this)));
    label5 = makeLabel(QStringLiteral("请输入用户名和口令："), panel1, 46, 16);
    label5->setFont(pixelFont(kHeiTi, 20));
    label5->adjustSize();

    auto* starStyle = new StarPasswordStyle(QStyleFactory::create(style()->name()));
    starStyle->setParent(this);

    Label3 = makeLabel(QStringLiteral("用户名"), this, 18, 62);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setEditable(true);
    // Enter would otherwise add the typed name to the (empty) list.
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->setFont(pixelFont(kSongTi, 16));
    ComboBox1->setGeometry(76, 56, 273, 24);

    Label2 = makeLabel(QStringLiteral("口  令"), this, 19, 100);
    Edit1 = makePasswordEdit(this, QRect(76, 94, 273, 24), starStyle);
    Edit1->setFont(pixelFont(kSongTi, 16));

    Label4 = makeLabel(QStringLiteral("新口令"), this, 18, 126);
    Edit2 = makePasswordEdit(this, QRect(76, 122, 105, 20), starStyle);
    Edit2->setFont(pixelFont(kSongTi, 12));
    Label1 = makeLabel(QStringLiteral("重口令"), this, 198, 126);
    Edit4 = makePasswordEdit(this, QRect(245, 122, 104, 22), starStyle);
    // Each caption names its field for a screen reader (none has an accelerator to take).
    Label3->setBuddy(ComboBox1);
    Label2->setBuddy(Edit1);
    Label4->setBuddy(Edit2);
    Label1->setBuddy(Edit4);
    for (QWidget* hidden : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(Edit2),
                            static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit4)})
        hidden->hide();

    // The input method stays available (a Chinese name or password must stay typeable):
    // fieldEnter closes it, and the operator may open it again by hand.
    for (QWidget* field : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(Edit1),
                           static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit4)})
        field->installEventFilter(this);
    ComboBox1->lineEdit()->setInputMethodHints(Qt::ImhNoPredictiveText);

    panel2 = new BevelPanel(this);
    panel2->setGeometry(0, 208 - 48, 380, 48);
    panel2->topLine = true;
    bbOk = new GlyphButton(QStringLiteral("确定(&O)"), panel2);
    bbOk->setGeometry(26, 11, 100, 32);
    bbOk->setGlyph(loginglyphs::okGlyph(pictureRatio(this)));
    bbCancel = new GlyphButton(QStringLiteral("取消(ESC)"), panel2);
    bbCancel->setGeometry(143, 11, 100, 32);
    bbCancel->setGlyph(loginglyphs::cancelGlyph(pictureRatio(this)));
    bbChangPw = new GlyphButton(QStringLiteral("修改口令"), panel2);
    bbChangPw->setGeometry(266, 11, 100, 32);
    bbChangPw->setGlyph(loginglyphs::changePwGlyph(pictureRatio(this)));
    connect(bbOk, &QPushButton::clicked, this, &Tfmlogin::bbOkClick);
    connect(bbCancel, &QPushButton::clicked, this, &Tfmlogin::bbCancelClick);
    connect(bbChangPw, &QPushButton::clicked, this, &Tfmlogin::bbChangPwClick);

    const std::pair<QWidget*, const char*> names[] = {
        {panel1, "Panel1"}, {image1, "Image1"},       {label5, "Label5"},
        {Label3, "Label3"}, {ComboBox1, "ComboBox1"}, {Label2, "Label2"},
        {Edit1, "Edit1"},   {Label4, "Label4"},       {Edit2, "Edit2"},
        {Label1, "Label1"}, {Edit4, "Edit4"},         {panel2, "Panel2"},
        {bbOk, "bbOk"},     {bbCancel, "bbCancel"},   {bbChangPw, "bbChangPw"}};
    for (const auto& [widget, name] : names)
        widget->setObjectName(QLatin1String(name));

    setTabOrder(ComboBox1, Edit1);
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Edit4);
    setTabOrder(Edit4, bbOk);
    setTabOrder(bbOk, bbCancel);
    setTabOrder(bbCancel, bbChangPw);
}

int Tfmlogin::showModal()
{
    LoginOK = false;
    if (application->terminated()) {
        setResult(Rejected);
        return Rejected;
    }
    return exec();
}

bool Tfmlogin::changeMode() const
{
    return !bbChangPw->isEnabled();
}

void Tfmlogin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    guarded([&] { FormShow(); });
}

void Tfmlogin::FormShow()
{
    LoginOK = false;
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
    ComboBox1->setFocus(Qt::OtherFocusReason);
}

void Tfmlogin::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        guarded([&] { bbCancel->click(); });
        return;
    }
    QDialog::keyPressEvent(event);
}

bool Tfmlogin::isInputField(QObject* object) const
{
    return object == ComboBox1 || object == Edit1 || object == Edit2 || object == Edit4;
}

bool Tfmlogin::eventFilter(QObject* watched, QEvent* event)
{
    if (isInputField(watched)) {
        auto* field = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::FocusIn)
            guardedLater([&] { fieldEnter(field); });
        else if (event->type() == QEvent::FocusOut)
            guardedLater([&] { fieldExit(field); });
    }
    return QDialog::eventFilter(watched, event);
}

// The field that holds the dialog's focus is yellow, the others have the window colour. The
// dialog keeps its focus field while another window, a message box over it, is active.
void Tfmlogin::showFocusColour()
{
    const QWidget* focused = focusWidget();
    for (QWidget* field : {static_cast<QWidget*>(ComboBox1), static_cast<QWidget*>(Edit1),
                           static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit4)}) {
        const bool current = focused && (focused == field || field->isAncestorOf(focused));
        QPalette p = field->palette();
        p.setColor(QPalette::Base, current ? toQColor(clYellow) : systemColor(SystemColor::Window));
        field->setPalette(p);
    }
}

void Tfmlogin::fieldEnter(QWidget*)
{
    showFocusColour();
    // Names and passwords are typed as plain characters; the operator may reopen it by hand.
    if (QInputMethod* im = QGuiApplication::inputMethod()) {
        im->reset();
        im->hide();
    }
}

void Tfmlogin::fieldExit(QWidget*)
{
    showFocusColour();
}

void Tfmlogin::bbCancelClick()
{
    guarded([&] { reject(); });
}

void Tfmlogin::bbChangPwClick()
{
    guarded([&] {
        for (QWidget* w : {static_cast<QWidget*>(Label4), static_cast<QWidget*>(Edit2),
                           static_cast<QWidget*>(Label1), static_cast<QWidget*>(Edit4)})
            w->show();
        bbChangPw->setEnabled(false);
    });
}

void Tfmlogin::bbOkClick()
{
    guarded([&] {
        // The lookup never stays open, whichever way the check ends: an open query would
        // hold the connection.
        try {
            checkLogin();
        } catch (...) {
            Q->close();
            throw;
        }
        Q->close();
    });
}

void Tfmlogin::checkLogin()
{
    const QString name = gb::trimmed(ComboBox1->currentText());
    if (name.isEmpty()) {
        ShowMsg(kEnterNameAndPassword, QStringLiteral("!"));
        return;
    }
    const QString password = gb::trimmed(Edit1->text());

    Q->close();
    Q->setParamValue(QStringLiteral("username"), name);
    Q->open();
    if (Q->isEmpty()) {
        ShowMsg(kNoSuchUser, QStringLiteral("e"));
        return;
    }
    if (Q->fieldByName(QStringLiteral("F07口令"))->asString() != password) {
        ShowMsg(kWrongPassword, QStringLiteral("e"));
        return;
    }

    if (!changeMode()) {
        const int userID = Q->fieldByName(QStringLiteral("F01用户ID"))->asInteger();
        const QString userName = Q->fieldByName(QStringLiteral("F05姓名"))->asString();
        DM->UserName = userName;
        DM->LoginName = name;
        DM->UserID = userID;
        LoginOK = true;
        accept();
        return;
    }

    const QString newPassword = gb::trimmed(Edit2->text());
    const QString again = gb::trimmed(Edit4->text());
    if (newPassword != again) {
        ShowMsg(kPasswordsDiffer, QStringLiteral("!"));
        return;
    }
    if (!storable(newPassword)) {
        ShowMsg(kPasswordUnstorable, QStringLiteral("!"));
        return;
    }
    changePassword(name, newPassword);
    ShowMsg(kPasswordChanged, QStringLiteral("!"));
    reject();
}

// What the password column can hold: its byte limit (the change's parameter) in the code page.
bool Tfmlogin::storable(const QString& newPassword) const
{
    for (const ParamDef& p : Qcpw->statement().params)
        if (p.name == u"pw")
            return p.canStore(newPassword);
    return true;
}

void Tfmlogin::changePassword(const QString& name, const QString& newPassword)
{
    // An empty new password is stored as an empty text, never as NULL.
    const QString pw = newPassword.isNull() ? QStringLiteral("") : newPassword;
    Qcpw->close();
    Qcpw->setParamValue(QStringLiteral("pw"), pw);
    Qcpw->setParamValue(QStringLiteral("username"), name);
    Qcpw->execSql();
}
