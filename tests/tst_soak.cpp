// A long random run of what a user does, driven through the real windows:
// typing, moving and selecting, the clipboard keys, every menu command, the
// three dialogs, the preview, the notification icon's codes, minimising and
// restoring, closing and starting again. A simple model follows each action;
// after each one the text, the caret, the format, the layout, the open windows
// and the files on the disk must be what the model predicts, and every
// message, beep and desktop call must be one the model expected.
//
// The runs replay: a fixed list of seeds, each with a fixed number of
// actions (1000), each seed printed with the run. PAGEWICK_SOAK_SEED runs that
// one seed instead (any 32-bit number), PAGEWICK_SOAK_ACTIONS sets the number
// of actions; a failure names its seed and its last actions.

#include "soak/soaktest.h"

namespace {

// The offscreen platform says at every window that it cannot raise it or
// grab the keyboard; thousands of those would crowd out the run's own report.
QtMessageHandler g_testLog = nullptr;
void quietPlatform(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith(QLatin1String("This plugin does not support")))
        return;
    g_testLog(type, context, message);
}

} // namespace

void SoakTest::initTestCase() {
    g_testLog = qInstallMessageHandler(quietPlatform);
    QVERIFY(root.isValid() && aside.isValid());
    QVERIFY(QDir::setCurrent(root.path()));
    pw::setCodePage("UTF-8");
    pw::OleContainer::setPackageFolder(aside.path());
    pdf = std::make_unique<pw::PdfFileOutput>(aside.filePath("printed.pdf"));
    pw::setPrintOutput(pdf.get());
    for (const QString& program : calculatorPrograms()) {
        calculator = QStandardPaths::findExecutable(program);
        if (!calculator.isEmpty())
            break;
    }
}

void SoakTest::cleanupTestCase() {
    qInstallMessageHandler(g_testLog);
    pw::setPrintOutput(nullptr);
    pw::OleContainer::setPackageFolder({});
}

void SoakTest::keysOnASelectedKeptCharacter() {
    // A key pressed while a kept NUL or lone CR was selected stripped its
    // mark: the NUL read back as U+2400 and the CR as a LF (seed 3).
    Recorder r;
    textedit& w = textedit::instance();
    const QString text = QString::fromUtf16(u"a\0b\rc", 5);
    w.Text1->setText(text);
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(w.Text1, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(w.Text1, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(w.Text1, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(w.Text1->Text(), text);
    QCOMPARE(w.Text1->SelText(), QString::fromUtf16(u"a\0b", 3));
    // Typing over the selection replaces it; the CR after it is kept.
    QTest::keyClicks(w.Text1, QStringLiteral("x"));
    QCOMPARE(w.Text1->Text(), QStringLiteral("x\rc"));
    unloadAllWindows();
}

void SoakTest::theIconFollowsAWindowGivenANewNativeWindow() {
    // The end-to-end run found it: Split Screen gave the editor a new
    // native window (for the web view's surface), after which a click on
    // the icon no longer reached it, and a minimised editor never came
    // back. Here the native window is replaced directly.
    Recorder r;
    TrayRecorder icons;
    textedit& w = textedit::instance();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    const WId first = w.winId();
    struct Native : QWidget {
        using QWidget::create;
        using QWidget::destroy;
    };
    static_cast<Native&>(static_cast<QWidget&>(w)).destroy();
    static_cast<Native&>(static_cast<QWidget&>(w)).create();
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QVERIFY(w.winId() != first);
    w.setWindowState(pw::vbMinimized);
    QTRY_VERIFY(w.isHidden());
    QVERIFY(icons.click(pw::WM_LBUTTONUP));
    QVERIFY(w.isVisible());
    QCOMPARE(w.WindowState(), int(pw::vbNormal));
    unloadAllWindows();
    QVERIFY(icons.icons.isEmpty());
}

void SoakTest::randomUserActions_data() {
    QTest::addColumn<quint32>("seed");
    bool ok = false;
    const quint32 chosen = qEnvironmentVariable("PAGEWICK_SOAK_SEED").toUInt(&ok);
    if (ok) {
        QTest::addRow("seed %u", chosen) << chosen;
        return;
    }
    for (const quint32 s : {1u, 3u, 2024u, 77777u, 3141592653u})
        QTest::addRow("seed %u", s) << s;
}

void SoakTest::randomUserActions() {
    QFETCH(quint32, seed);
    this->seed = seed;
    bool ok = false;
    int actions = qEnvironmentVariableIntValue("PAGEWICK_SOAK_ACTIONS", &ok);
    if (!ok || actions <= 0)
        actions = 1000;
    rng.seed(seed);
    qInfo("seed %u (PAGEWICK_SOAK_SEED=%u repeats this run), %d actions", seed, seed, actions);

    // The run starts from nothing: no window, no text on the clipboard, no
    // files but the empty subfolder.
    unloadAllWindows();
    for (const QFileInfo& e :
         QDir(root.path()).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        QVERIFY(e.isDir() ? QDir(e.filePath()).removeRecursively() : QFile::remove(e.filePath()));
    QVERIFY(QDir(root.path()).mkdir("sub"));
    recent.clear();
    QApplication::clipboard()->clear();
    m = Model();
    rec = new Recorder;
    tray = new TrayRecorder;
    const auto cleanup = qScopeGuard([this] {
        unloadAllWindows();
        delete tray;
        delete rec;
    });
    actStart();
    counts.clear();

    QElapsedTimer clock;
    clock.start();
    int done = 0;
    for (; done < actions; ++done) {
        expectedEvents.clear();
        expectedBoxes.clear();
        failureMention.clear();
        rec->events.clear();
        rec->boxes.clear();
        // A user's next action comes after the program has handled
        // what the last one left (repaints, activations, deletions).
        QTest::qWait(1);
        step();
        if (QTest::currentTestFailed())
            return;
        const QString wrong = mismatch();
        QVERIFY2(
            wrong.isEmpty(),
            qPrintable(QStringLiteral("after action %1: %2").arg(done).arg(wrong) + history()));
    }

    // Still responsive: events are handled at once, and the text area
    // takes keys. As between actions, the user comes back after the
    // program has handled what the last action left.
    QTest::qWait(1);
    if (!m.loaded)
        actStart();
    if (m.hidden) {
        QVERIFY(tray->click(pw::WM_LBUTTONUP));
        QVERIFY2(QTest::qWaitFor([&] { return editor().isVisible(); }, 2000),
                 qPrintable("the notification icon did not bring the editor back" + history()));
    }
    bool fired = false;
    QTimer::singleShot(0, this, [&] { fired = true; });
    QVERIFY(QTest::qWaitFor([&] { return fired; }, 1000));
    textedit& w = editor();
    w.Text1->moveCursorToEnd();
    QTest::keyClicks(w.Text1, QStringLiteral("end"));
    QVERIFY(w.Text1->Text().endsWith(QStringLiteral("end")));
    // And the web view still shows a page.
    trigger(w.clsg);
    QTest::keyClicks(w.Text1, QStringLiteral("<p>still here</p>"));
    QSignalSpy loaded(w.WebBrowser1, &pw::WebView::loadFinished);
    pressView('S');
    if (!loaded.wait(30000) && loaded.isEmpty()) {
        QString pane;
        bool answered = false;
        w.WebBrowser1->pageText([&](const QString& text) {
            pane = text;
            answered = true;
        });
        QTest::qWaitFor([&] { return answered; }, 2000);
        QFAIL(qPrintable(
            QStringLiteral("the split pane loaded no page (pane shown %1, text area height %2, "
                           "the pane's text \"%3\", view.html %4 bytes)")
                .arg(w.WebBrowser1->isVisible())
                .arg(pw::heightTwips(w.Text1))
                .arg(pane.left(80))
                .arg(QFileInfo(root.filePath(QStringLiteral("view.html"))).size()) +
            history()));
    }
    QVERIFY(loaded.last().at(0).toBool());

    qInfo("%d actions in %lld ms, seed %u:", done, clock.elapsed(), seed);
    QStringList line;
    for (auto it = counts.begin(); it != counts.end(); ++it) {
        line << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
        if (line.size() == 6 || std::next(it) == counts.end()) {
            qInfo("  %s", qPrintable(line.join(", ")));
            line.clear();
        }
    }
}

void SoakTest::step() {
    if (!m.loaded) {
        actStart();
        return;
    }
    if (m.hidden) {
        actTray();
        return;
    }
    const bool long_ = m.units.size() > 2500;
    struct Choice {
        int weight;
        void (SoakTest::*act)();
    };
    const Choice choices[] = {
        {22, &SoakTest::actType},
        {22, &SoakTest::actKey},
        {6, &SoakTest::actClipboardKey},
        {2, &SoakTest::actForeignClipboard},
        {7, &SoakTest::actFont},
        {long_ ? 40 : 6, &SoakTest::actEdit},
        {1, &SoakTest::actHelpAndDonate},
        {m.previewOpen || m.split ? 2 : 1, &SoakTest::actView},
        {m.previewOpen ? 1 : 0, &SoakTest::actClosePreview},
        {3, &SoakTest::actOpen},
        {4, &SoakTest::actSave},
        {2, &SoakTest::actDelete},
        {2, &SoakTest::actForeignFile},
        {2, &SoakTest::actMinimise},
        {1, &SoakTest::actTray},
    };
    int total = 0;
    for (const Choice& c : choices)
        total += c.weight;
    // The rare ones: a print job, File > Exit, closing the editor.
    const int rare = pick(1000);
    if (rare < 4)
        return actPrint();
    if (rare < 6)
        return actExitCommand();
    if (rare < 8)
        return actClose();
    int r = pick(total);
    for (const Choice& c : choices) {
        if (r < c.weight)
            return (this->*c.act)();
        r -= c.weight;
    }
}

QTEST_MAIN(SoakTest)
