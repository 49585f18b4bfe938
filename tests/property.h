// Properties: a law checked over random cases (RapidCheck), as one
// GoogleTest test. RC_PARAMS="seed=N" replays a run.
#ifndef IMGFORGE_TESTS_PROPERTY_H
#define IMGFORGE_TESTS_PROPERTY_H

#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <sstream>
#include <string>

// Checks `testable` on `cases` random cases; a failure shows the smallest
// case found.
template <class Testable> void check_property(int cases, Testable &&testable)
{
    const testing::TestInfo *info = testing::UnitTest::GetInstance()->current_test_info();
    rc::detail::TestMetadata metadata;
    metadata.id = std::string(info->test_suite_name()) + "/" + info->name();
    metadata.description = info->name();
    rc::detail::TestParams params = rc::detail::configuration().testParams;
    params.maxSuccess = cases;
    rc::detail::TestResult result =
        rc::detail::checkTestable(std::forward<Testable>(testable), metadata, params);
    if (!result.template is<rc::detail::SuccessResult>()) {
        std::ostringstream text;
        rc::detail::printResultMessage(result, text);
        FAIL() << text.str();
    }
}

#endif
