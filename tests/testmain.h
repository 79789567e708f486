#pragma once

// One executable per test folder may hold several test classes: each registers itself with
// TARNWICK_TEST, and TARNWICK_TEST_MAIN runs them all, failing when any fails.

#include "app/translations.h"

#include <QApplication>
#include <QRegularExpression>
#include <QTest>

#include <functional>
#include <memory>
#include <vector>

namespace TestRegistry {

using Factory = std::function<std::unique_ptr<QObject>()>;

inline std::vector<Factory> &Factories()
{
    static std::vector<Factory> factories;
    return factories;
}

// Makes every warning a failure of the test running now; GUI tests call it from init(). The
// toolkit is not built with the sanitizers, so a warning may be all that a fault inside it shows.
inline void FailOnWarnings()
{
    // Save for the headless platform's notes on what it lacks ("... does not support raise()").
    QTest::failOnWarning(
        QRegularExpression(QStringLiteral("^(?!This plugin does not support \\w+\\(\\)$)")));
}

inline int RunAll(int argc, char **argv)
{
    QApplication app(argc, argv);
    // As the program does: tests compare the toolkit's button texts in Russian.
    LoadRussianTranslations();
    // Every message is shown: the headless platform's notes would soon use up the usual 2,000,
    // and a failing test's own account of itself would go unseen.
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.contains(QStringLiteral("-maxwarnings")))
        arguments << QStringLiteral("-maxwarnings") << QStringLiteral("0");
    int failures = 0;
    for (const Factory &make : Factories()) {
        std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), arguments);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace TestRegistry

#define TARNWICK_TEST(Class)                                                                       \
    static const bool Class##Registered = (TestRegistry::Factories().push_back(                    \
        [] { return std::unique_ptr<QObject>(new Class); }), true);

#define TARNWICK_TEST_MAIN                                                                         \
    int main(int argc, char **argv) { return TestRegistry::RunAll(argc, argv); }
