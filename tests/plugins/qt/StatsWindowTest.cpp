// The statistics window (offscreen): what it shows, saving, and the plug-in file's modal run.
#include <dlfcn.h>

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QMainWindow>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <fstream>
#include <sstream>

#include "FakeData.h"
#include "uStats.h"

namespace {

std::string ReadAll(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

TFakeData TwoFeatures() {
    TFakeData data;
    data.Features.push_back({2.5, 3.0, 4.0, 0.5, 1, 1});
    data.Features.push_back({1.5, 2.0, 4.0, 0.25, 2, 2});
    return data;
}

QString ValueText(TfrmStats& form, int row) { return form.Values->item(row, 1)->text(); }

}  // namespace

class StatsWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QLocale::setDefault(QLocale::c()); }

    void showsTheValuesAndTheGrid() {
        TFakeData data = TwoFeatures();
        TFakeData empty;  // outlives the window, which keeps it
        {
            TfrmStats form;
            QCOMPARE(form.windowTitle(), QString(" Data and Statistics"));
            QVERIFY(!form.actSave->isEnabled());
            form.ShowData(&data);
            QCOMPARE(form.Values->item(0, 0)->text(), QString(" Number"));
            QCOMPARE(ValueText(form, 0), QString(" 2"));
            QCOMPARE(ValueText(form, 1), QString(" 10 um"));
            QCOMPARE(ValueText(form, 7), QString(" 2.5 [ 0.5 ] um"));
            QCOMPARE(ValueText(form, 8), QString(" 4 [ 0 ] um"));
            QAbstractItemModel* grid = form.Datas->model();
            QCOMPARE(grid->rowCount(), 2);
            QCOMPARE(grid->columnCount(), 5);
            QCOMPARE(grid->headerData(2, Qt::Horizontal).toString(), QString(" Max Radius [um]"));
            QCOMPARE(grid->index(1, 0).data().toString(), QString(" 2"));
            QCOMPARE(grid->index(1, 1).data().toString(), QString(" 1.5"));
            QCOMPARE(grid->index(0, 4).data().toString(), QString(" 14.13716694"));
            QVERIFY(form.actSave->isEnabled());

            // A run without features keeps what was shown and disables saving.
            form.ShowData(&empty);
            QCOMPARE(ValueText(form, 0), QString(" 2"));
            QCOMPARE(grid->rowCount(), 2);
            QVERIFY(!form.actSave->isEnabled());
            QCOMPARE(data.Refs, 0u);
            QCOMPARE(empty.Refs, 1u);
        }
        QCOMPARE(empty.Refs, 0u);
    }

    void savesTheDataFileAndReportsAFailure() {
        TFakeData data = TwoFeatures();
        TfrmStats form;
        form.ShowData(&data);
        QTemporaryDir dir;
        QString target = dir.filePath("data.txt");
        int asked = 0;
        QStringList errors;
        form.AskSaveFileName = [&] {
            ++asked;
            return target;
        };
        form.ShowError = [&](const QString& text) { errors << text; };
        form.actSave->trigger();
        QCOMPARE(asked, 1);
        QVERIFY(errors.isEmpty());
        QCOMPARE(ReadAll(target), DataFileText(data));
        QCOMPARE(form.InitialDir, QCoreApplication::applicationDirPath() + "/");

        target = dir.filePath("missing/data.txt");
        form.actSave->trigger();
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors[0].contains("missing/data.txt"));

        // A cancelled dialog writes nothing.
        target.clear();
        form.actSave->trigger();
        QCOMPARE(errors.size(), 1);
    }

    void usesTheUsersSeparatorUntilTheFirstSave() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        TFakeData data = TwoFeatures();
        TfrmStats form;
        form.ShowData(&data);
        QCOMPARE(ValueText(form, 6), QString(" 2 [ 0,5 ] um"));
        QTemporaryDir dir;
        form.AskSaveFileName = [&] { return dir.filePath("d.txt"); };
        form.actSave->trigger();
        QVERIFY(ReadAll(dir.filePath("d.txt")).find(',') == std::string::npos);
        form.ShowData(&data);
        QCOMPARE(ValueText(form, 6), QString(" 2 [ 0.5 ] um"));
    }

    void holdsManyFeatures() {
        TFakeData data;
        for (int i = 0; i < 100000; ++i) data.Features.push_back({1.0 + i, 2.0, 3.0, 0.5, 0, 0});
        TfrmStats form;
        form.ShowData(&data);
        QAbstractItemModel* grid = form.Datas->model();
        QCOMPARE(grid->rowCount(), 100000);
        QCOMPARE(grid->index(99999, 0).data().toString(), QString(" 100000"));
        QCOMPARE(grid->index(99999, 1).data().toString(), QString(" 100000"));
    }

    // The plug-in file as the host runs it: modal over the host's window, closed either way.
    void runsModallyOverTheHostWindow() {
        void* lib = dlopen(MORVEX_STATS_PLUGIN, RTLD_NOW | RTLD_LOCAL);
        QVERIFY(lib != nullptr);
        auto create = reinterpret_cast<TCreateMorvexPlugin>(dlsym(lib, "CreateMorvexPlugin"));
        QVERIFY(create != nullptr);
        QMainWindow host;
        host.show();
        IPlugin* plugin = nullptr;
        create(&plugin, reinterpret_cast<std::intptr_t>(&host));
        QVERIFY(plugin != nullptr);
        QVERIFY(host.findChildren<QDialog*>().isEmpty());  // no window before a run

        TFakeData data = TwoFeatures();
        QString shownValue;
        bool modalOverHost = false;
        QTimer::singleShot(0, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal != nullptr);
            modalOverHost = modal->parentWidget() == &host && modal->isModal();
            shownValue = modal->findChild<QTableWidget*>("Values")->item(0, 1)->text();
            modal->close();  // the window's own close box
        });
        QCOMPARE(plugin->Execute(&data), 0);
        QVERIFY(modalOverHost);
        QCOMPARE(shownValue, QString(" 2"));
        QCOMPARE(data.Refs, 1u);  // the window keeps the data for saving

        QTimer::singleShot(0, [] {
            QWidget* modal = QApplication::activeModalWidget();
            QVERIFY(modal != nullptr);
            modal->findChild<QAction*>("actClose")->trigger();  // the close button
        });
        QCOMPARE(plugin->Execute(&data), 0);
        QCOMPARE(host.findChildren<QDialog*>().size(), 1);  // one window, kept between runs

        QCOMPARE(plugin->Release(), 0u);
        QCOMPARE(data.Refs, 0u);
        QVERIFY(host.findChildren<QDialog*>().isEmpty());
        dlclose(lib);
    }
};

QTEST_MAIN(StatsWindowTest)
#include "StatsWindowTest.moc"
