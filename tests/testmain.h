#pragma once

// One executable per test folder may hold several test classes: each registers itself with
// TARNWICK_TEST, and TARNWICK_TEST_MAIN runs them all, failing when any fails.

#include "app/translations.h"

#include <QApplication>
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

inline bool Add(Factory factory)
{
    Factories().push_back(std::move(factory));
    return true;
}

inline int RunAll(int argc, char **argv)
{
    QApplication app(argc, argv);
    // As the program does: tests compare the toolkit's button texts in Russian.
    LoadRussianTranslations();
    int failures = 0;
    for (const Factory &make : Factories()) {
        std::unique_ptr<QObject> test = make();
        failures += QTest::qExec(test.get(), argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

} // namespace TestRegistry

#define TARNWICK_TEST(Class)                                                                       \
    static const bool Class##Registered =                                                          \
        TestRegistry::Add([] { return std::unique_ptr<QObject>(new Class); });

#define TARNWICK_TEST_MAIN                                                                         \
    int main(int argc, char **argv) { return TestRegistry::RunAll(argc, argv); }
