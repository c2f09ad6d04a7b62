// Not a test: renders a grid to /tmp for a look. Run with -class GridRender.
#include "GridFixture.h"
#include "TestRegistry.h"

#include <QTest>

class GridRender : public QObject {
    Q_OBJECT
private slots:
    void render()
    {
        GridFixture f(30);
        f.q->Open();
        f.q->MoveBy(3);
        f.grid->show();
        f.grid->ToggleTitleSort(f.column("K00"));
        f.image().save("/tmp/grid_history.png");
        f.q->Close();
        f.image().save("/tmp/grid_closed.png");
    }
};
TV_REGISTER_TEST(GridRender);
#include "tst_grid_render.moc"
