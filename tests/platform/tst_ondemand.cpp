// Libraries opened when first needed: a library or call that is not there
// is told by name, and no call is left half resolved for a caller to jump
// through.
#include "platform/OnDemandLibrary.h"

#include <QTest>

using namespace korvel;

class OnDemandLibraryTest : public QObject {
    Q_OBJECT
private slots:
    void resolvesEveryCallOrNone()
    {
        double (*cosine)(double) = nullptr;
        double (*sine)(double) = nullptr;
        QCOMPARE(platform::openLibrary("libm.so.6", {{"cos", reinterpret_cast<void **>(&cosine)},
                                                     {"sin", reinterpret_cast<void **>(&sine)}}),
                 QString());
        QVERIFY(cosine && sine);
        QCOMPARE(cosine(0.0), 1.0);

        // The first call was found before the second was missed: neither stays.
        void *missing = nullptr;
        QString why = platform::openLibrary("libm.so.6", {{"cos", reinterpret_cast<void **>(&cosine)},
                                                          {"korvel_no_such_call", &missing}});
        QVERIFY2(why.contains(QLatin1String("korvel_no_such_call")), qPrintable(why));
        QVERIFY(!cosine && !missing);

        why = platform::openLibrary("libkorvel-not-installed.so.1", {{"cos", reinterpret_cast<void **>(&cosine)}});
        QVERIFY2(why.contains(QLatin1String("libkorvel-not-installed.so.1")), qPrintable(why));
        QVERIFY(!cosine);
    }
};

QTEST_GUILESS_MAIN(OnDemandLibraryTest)
#include "tst_ondemand.moc"
