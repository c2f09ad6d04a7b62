#include "DBChart.h"
#include "DBGridEh.h"
#include "FleetChart.h"
#include "FreshnessLine.h"
#include "LbButton.h"
#include "RecordingPresenter.h"
#include "RzDBLabel.h"
#include "RzPageControl.h"
#include "TestRegistry.h"
#include "WindowFixture.h"

#include "Accessibility.h"

#include <QAccessible>
#include <QComboBox>
#include <QLabel>
#include <QPointer>

namespace {

QAccessibleInterface* iface(QObject* object)
{
    return QAccessible::queryAccessibleInterface(object);
}

// Every event the window sends while a listener is there.
struct Heard {
    QPointer<QObject> object;
    QAccessible::Event type;
    int child;
};
QList<Heard>& heard()
{
    static QList<Heard> events;
    return events;
}
void hear(QAccessibleEvent* event)
{
    heard() << Heard{event->object(), event->type(), event->child()};
}

class Listening {
public:
    Listening()
    {
        heard().clear();
        accessibility::setEventTap(hear);
    }
    ~Listening() { accessibility::setEventTap(nullptr); }
    static int count(const QObject* object, QList<QAccessible::Event> types)
    {
        return int(std::count_if(heard().begin(), heard().end(), [&](const Heard& h) {
            return h.object == object && types.contains(h.type);
        }));
    }
    static const Heard* last(const QObject* object, QAccessible::Event type)
    {
        for (auto it = heard().crbegin(); it != heard().crend(); ++it)
            if (it->object == object && it->type == type)
                return &*it;
        return nullptr;
    }
};

QObject* part(TfrmA00Main& w, const QString& name)
{
    const QHash<QString, QObject*> parts{{"RzDBLabel1", w.RzDBLabel1}, {"st1", w.st1},
                                         {"RzDBLabel2", w.RzDBLabel2}, {"bbSear", w.bbSear},
                                         {"bbClose", w.bbClose},       {"cbb1", w.cbb1},
                                         {"DBChart1", w.DBChart1},     {"fleetChart", w.fleetChart},
                                         {"statusLine", w.statusLine}, {"window", &w}};
    return parts.value(name);
}

// A window whose history grid holds more records than it shows, in no order of balance, and
// whose comparison grid holds several robots.
struct LongWindow : WindowFixture {
    LongWindow() : WindowFixture(Rows::Own)
    {
        for (int draw = 1; draw <= 40; ++draw) {
            Result r;
            r.cpqh = QStringLiteral("20201002-%1").arg(draw, 4, 10, QLatin1Char('0'));
            r.k00 = 1000 + (draw * 37) % 500;
            r.k05 = QStringLiteral("理由%1").arg(draw);
            db.addResult(r);
        }
        for (const char* robot : {"追1", "追2", "追3"}) {
            Result r;
            r.ainame = QString::fromUtf8(robot);
            r.cpqh = QStringLiteral("20201002-0040");
            db.addResult(r);
        }
        db.setVersion(1);
    }
    using Result = FixtureDb::Result;
};

// Each cell in view reads what it paints, where it paints it; the table has every record;
// the current record is the selected row.
void compareShownCells(TDBGridEh& grid)
{
    QAccessibleTableInterface* table = iface(&grid)->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), grid.dataSet()->RecordCount());
    QCOMPARE(table->columnCount(), int(grid.columns().size()));
    QCOMPARE(iface(&grid)->childCount(), (table->rowCount() + 1) * table->columnCount());
    for (int col = 0; col < table->columnCount(); ++col) {
        const QAccessibleInterface* header =
            table->cellAt(0, col)->tableCellInterface()->columnHeaderCells().value(0);
        QVERIFY(header);
        QCOMPARE(header->role(), QAccessible::ColumnHeader);
        QCOMPARE(header->text(QAccessible::Name), grid.describeCell(col, 0).text);
        QCOMPARE(table->columnDescription(col), grid.describeCell(col, 0).text);
    }
    for (int row = 1; row <= grid.recordBuffer().count(); ++row) {
        const int recNo = grid.recNoAtRow(row);
        for (int col = 0; col < table->columnCount(); ++col) {
            const GridCellPaint shown = grid.describeCell(col, row);
            QAccessibleInterface* cell = table->cellAt(recNo - 1, col);
            QCOMPARE(cell->role(), QAccessible::Cell);
            QCOMPARE(cell->text(QAccessible::Name), shown.text);
            QCOMPARE(cell->tableCellInterface()->rowIndex(), recNo - 1);
            const QRect onScreen =
                shown.rect.isEmpty()
                    ? QRect()
                    : QRect(grid.mapToGlobal(shown.rect.topLeft() + grid.clientOrigin()),
                            shown.rect.size());
            QCOMPARE(cell->rect(), onScreen);
            QCOMPARE(cell->state().invisible, onScreen.isEmpty());
            QCOMPARE(cell->state().selected, recNo == grid.dataSet()->RecNo());
            QCOMPARE(iface(&grid)->indexOfChild(cell), (recNo)*table->columnCount() + col);
        }
    }
    QCOMPARE(table->selectedRows(), QList<int>{grid.dataSet()->RecNo() - 1});
}

} // namespace

// The window through Qt's accessibility interfaces, as a screen reader reads it.
class TestAccessibleWindow : public QObject {
    Q_OBJECT
private slots:
    void parts_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::addColumn<QString>("name"); // empty: the text it shows
        QTest::addColumn<QString>("labelledBy");
        QTest::newRow("advice") << "RzDBLabel1" << QAccessible::StaticText << "AI提示"
                                << "AI提示";
        QTest::newRow("countdown") << "st1" << QAccessible::StaticText << "离下期开奖"
                                   << "离下期开奖";
        QTest::newRow("number") << "RzDBLabel2" << QAccessible::StaticText << "本期号码"
                                << "本期号码";
        QTest::newRow("selector") << "cbb1" << QAccessible::ComboBox << "追0"
                                  << "AI机器人";
        QTest::newRow("search") << "bbSear" << QAccessible::Button << "查询(Q)"
                                << "";
        QTest::newRow("close") << "bbClose" << QAccessible::Button << "退出(X)"
                               << "";
        QTest::newRow("chart") << "DBChart1" << QAccessible::Chart << "余额走势"
                               << "";
        QTest::newRow("fleet chart") << "fleetChart" << QAccessible::Chart << "全体走势"
                                     << "";
        QTest::newRow("status") << "statusLine" << QAccessible::StatusBar << ""
                                << "";
        QTest::newRow("window") << "window" << QAccessible::Window << "A00Main-主界面"
                                << "";
    }
    // Role, name, the caption tied to it, and what it shows as its text.
    void parts()
    {
        QFETCH(QString, part);
        QFETCH(QAccessible::Role, role);
        QFETCH(QString, name);
        QFETCH(QString, labelledBy);
        WindowFixture f;
        QVERIFY(f.showActive());
        QVERIFY(f.tick());
        QObject* object = ::part(*f.window, part);
        QAccessibleInterface* a = iface(object);
        QVERIFY(a && a->isValid());
        QCOMPARE(a->role(), role);
        QString shown;
        if (auto* label = qobject_cast<TRzDBLabel*>(object))
            shown = label->Caption();
        else if (auto* line = qobject_cast<FreshnessLine*>(object))
            shown = line->text();
        QCOMPARE(a->text(QAccessible::Name), name.isEmpty() ? shown : name);
        if (!shown.isEmpty()) {
            QVERIFY(a->textInterface());
            QCOMPARE(a->textInterface()->text(0, -1), shown);
            QCOMPARE(a->text(QAccessible::Value), shown);
        }
        const auto labels = a->relations(QAccessible::Label);
        QCOMPARE(labels.isEmpty() ? QString() : labels[0].first->text(QAccessible::Name),
                 labelledBy);
        if (role == QAccessible::Button) {
            QVERIFY(a->actionInterface()->actionNames().contains(
                QAccessibleActionInterface::pressAction()));
            QCOMPARE(a->actionInterface()->keyBindingsForAction(
                         QAccessibleActionInterface::pressAction()),
                     QStringList{name == "查询(Q)" ? "Alt+Q" : "Alt+X"});
        }
        // A parent lists each part as its child.
        QVERIFY(a->parent()->indexOfChild(a) >= 0 || role == QAccessible::Window);
    }

    void header()
    {
        WindowFixture f;
        QVERIFY(f.showActive());
        QVERIFY(f.tick());
        QCOMPARE(iface(f.window->RzDBLabel2)->text(QAccessible::Value), QStringLiteral("54321"));
        // Three draws, oldest first: balances 900, 1500, 1234.
        QCOMPARE(iface(f.window->DBChart1)->text(QAccessible::Description),
                 QStringLiteral("追0：3 个点，第一个 900，最后一个 1234，最高 1500，最低 900"));
    }

    // The press action clicks, once the caller has been answered.
    void closePressed()
    {
        WindowFixture f;
        QVERIFY(f.showActive());
        iface(f.window->bbClose)
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QVERIFY(f.window->isVisible());
        QTRY_VERIFY(!f.window->isVisible());
    }

    void pageTabs()
    {
        WindowFixture f;
        QVERIFY(f.showActive());
        TRzPageControl& pc = *f.window->pc1;
        QAccessibleInterface* list = iface(&pc);
        QCOMPARE(list->role(), QAccessible::PageTabList);
        QCOMPARE(list->childCount(), 2 * pc.pageCount());
        const auto checkTabs = [&] {
            for (int i = 0; i < pc.pageCount(); ++i) {
                QAccessibleInterface* tab = list->child(i);
                QCOMPARE(tab->role(), QAccessible::PageTab);
                QCOMPARE(tab->text(QAccessible::Name), pc.page(i)->Caption());
                QCOMPARE(tab->state().selected, i == pc.activePageIndex());
                QCOMPARE(list->indexOfChild(tab), i);
                QCOMPARE(list->childAt(tab->rect().center().x(), tab->rect().center().y()), tab);
                // The pages follow the tabs.
                QCOMPARE(list->child(pc.pageCount() + i)->object(), pc.page(i));
            }
        };
        checkTabs();
        Listening listening;
        list->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(pc.activePageIndex(), 2);
        checkTabs();
        QCOMPARE(Listening::count(&pc, {QAccessible::StateChanged}), 2);
        QCOMPARE(Listening::last(&pc, QAccessible::Selection)->child, 2);
    }

    void grids_data()
    {
        QTest::addColumn<bool>("history");
        QTest::newRow("history") << true;
        QTest::newRow("comparison") << false;
    }
    // The cells read what the grid shows after a load, a sort, scrolling down and sideways.
    void grids()
    {
        QFETCH(bool, history);
        LongWindow f;
        QVERIFY(f.showActive());
        QVERIFY(f.tick());
        TfrmA00Main& w = *f.window;
        w.resize(600, w.height()); // narrower than the columns: they scroll sideways
        if (!history)
            w.pc1->setActivePageIndex(1);
        TDBGridEh& grid = history ? *w.DBGridEh1 : *w.DBGridEh3;
        QCOMPARE(iface(&grid)->role(), QAccessible::Table);
        QCOMPARE(iface(&grid)->text(QAccessible::Name),
                 history ? w.ts11->Caption() : w.ts12->Caption());
        QVERIFY(grid.dataSet()->RecordCount() > (history ? 20 : 3));
        compareShownCells(grid);
        if (QTest::currentTestFailed())
            return;
        grid.ToggleTitleSort(grid.columns()[1]);
        QVERIFY(grid.dataSet()->Sort().contains(grid.columns()[1]->field()->FieldName()));
        compareShownCells(grid);
        if (QTest::currentTestFailed())
            return;
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_End);
        QVERIFY(grid.recordBuffer().top() > 1 || !history);
        compareShownCells(grid);
        if (QTest::currentTestFailed())
            return;
        grid.setLeftCol(3);
        QVERIFY(grid.leftCol() > 0);
        compareShownCells(grid);
        if (QTest::currentTestFailed())
            return;
    }

    // As the current record moves with the keyboard, the focus moves to its cell.
    void focusFollowsTheCurrentRecord()
    {
        LongWindow f;
        QVERIFY(f.showActive());
        QVERIFY(f.tick());
        TDBGridEh& grid = *f.window->DBGridEh1;
        grid.setFocus();
        QVERIFY(grid.hasFocus());
        Listening listening;
        QAccessibleTableInterface* table = iface(&grid)->tableInterface();
        const std::pair<Qt::Key, Qt::KeyboardModifiers> keys[] = {
            {Qt::Key_Down, {}},
            {Qt::Key_Down, {}},
            {Qt::Key_Right, Qt::ControlModifier}, // the last column
            {Qt::Key_PageDown, {}}};
        for (const auto& [key, modifiers] : keys) {
            heard().clear();
            QTest::keyClick(&grid, key, modifiers);
            const Heard* focus = Listening::last(&grid, QAccessible::Focus);
            QVERIFY(focus);
            const int row = grid.dataSet()->RecNo() - 1;
            QCOMPARE(iface(&grid)->child(focus->child), table->cellAt(row, grid.selectedIndex()));
            QVERIFY(table->cellAt(row, grid.selectedIndex())->state().focused);
            QCOMPARE(iface(&grid)->focusChild(), table->cellAt(row, grid.selectedIndex()));
        }
        // A reload (a close, an open and a re-read) replaces the rows: told once.
        heard().clear();
        f.db.setVersion(2);
        QVERIFY(f.tick());
        QVERIFY(f.tick());
        QTRY_COMPARE(Listening::count(&grid, {QAccessible::TableModelChanged}), 1);
        QTest::qWait(50);
        QCOMPARE(Listening::count(&grid, {QAccessible::TableModelChanged}), 1);
    }

    // What changes every second is read when asked, not announced; an outage is told once,
    // its end once.
    void everySecondIsQuiet()
    {
        WindowFixture f;
        QVERIFY(f.showActive());
        QVERIFY(f.tick());
        TfrmA00Main& w = *f.window;
        Listening listening;
        const QList<QAccessible::Event> told{QAccessible::NameChanged, QAccessible::ValueChanged,
                                             QAccessible::TextUpdated,
                                             QAccessible::DescriptionChanged};
        const QString before = w.statusLine->text();
        QTest::qWait(1100);
        QVERIFY(f.timerTick());
        QVERIFY(f.timerTick());
        QVERIFY(w.statusLine->text() != before);
        for (QObject* o : {static_cast<QObject*>(w.statusLine), static_cast<QObject*>(w.st1),
                           static_cast<QObject*>(w.RzDBLabel1), static_cast<QObject*>(w.DBChart1)})
            QCOMPARE(Listening::count(o, told), 0);
        RecordingPresenter rec;
        f.db.exec("ALTER TABLE a5_z0_5yc RENAME TO away");
        for (int i = 0; i < 3; ++i)
            QVERIFY(f.timerTick());
        QVERIFY(w.outages().inOutage());
        QCOMPARE(Listening::count(w.statusLine, {QAccessible::TextUpdated}), 1);
        f.db.exec("ALTER TABLE away RENAME TO a5_z0_5yc");
        QVERIFY(f.timerTick());
        QVERIFY(!w.outages().inOutage());
        QCOMPARE(Listening::count(w.statusLine, {QAccessible::TextUpdated}), 2);
    }
};
TV_REGISTER_TEST(TestAccessibleWindow);

#include "tst_accessibility.moc"
