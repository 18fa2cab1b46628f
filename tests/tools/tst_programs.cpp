// Every program of the application folder answers --help and --version at
// once and does nothing else: no window, no server, no file written.
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

class ProgramsTest : public QObject {
    Q_OBJECT

private slots:
    void helpAndVersion_data()
    {
        QTest::addColumn<QString>("program");
        for (const char *p : {"korvel", "korvel-lhh", "korvel-thumbnailer", "korvel-site"})
            QTest::newRow(p) << QString::fromLatin1(p);
    }

    void helpAndVersion()
    {
        QFETCH(QString, program);
        QTemporaryDir work;
        for (const QString &option : {QStringLiteral("--help"), QStringLiteral("--version")}) {
            QProcess p;
            p.setWorkingDirectory(work.path());
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.remove(QStringLiteral("DISPLAY"));
            env.remove(QStringLiteral("WAYLAND_DISPLAY"));
            env.remove(QStringLiteral("QT_QPA_PLATFORM"));
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(KORVEL_BUILD_APP_DIR "/") + program, {option});
            const bool ended = p.waitForFinished(20000);
            if (!ended)
                p.kill();
            QVERIFY2(ended, qPrintable(program + " " + option + " did not end"));
            QCOMPARE(p.exitStatus(), QProcess::NormalExit);
            QCOMPARE(p.exitCode(), 0);
            const QString out = QString::fromUtf8(p.readAllStandardOutput());
            if (option == QLatin1String("--help"))
                QVERIFY2(out.contains(program + QLatin1Char(' ')) && out.contains(QLatin1String("--help")), qPrintable(out));
            else
                QVERIFY2(QRegularExpression(QStringLiteral("^%1 \\d+\\.\\d+\\.\\d+\\n$").arg(program)).match(out).hasMatch(),
                         qPrintable(out));
        }
        QVERIFY(QDir(work.path()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(ProgramsTest)
#include "tst_programs.moc"
