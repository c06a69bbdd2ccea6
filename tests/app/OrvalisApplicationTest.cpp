#include <QObject>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>

TEST(OrvalisApplication, ExceptionFromASlotIsReportedAndTheProgramGoesOn)
{
    QTimer failing;
    failing.setSingleShot(true);
    QObject::connect(&failing, &QTimer::timeout, [] { throw std::runtime_error("cannot open file missing.osm"); });

    testing::internal::CaptureStderr();
    failing.start(0);
    bool ranAfter = false;
    QTimer::singleShot(20, [&] { ranAfter = true; });
    const bool wentOn = QTest::qWaitFor([&] { return ranAfter; }, 5000);
    const std::string errors = testing::internal::GetCapturedStderr();

    EXPECT_TRUE(wentOn);
    EXPECT_THAT(errors, testing::HasSubstr("std::exception was caught:\ncannot open file missing.osm\n"));
}
