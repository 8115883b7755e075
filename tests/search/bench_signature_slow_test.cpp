// The node-count signature of the fixed search suite (bench/search).  Any
// change of the search's shape, ordering or evaluation shows here; a new
// signature must be intended and explained.
#include "bench/search_suite.h"
#include "tests/test_support.h"

namespace {

constexpr double kSignature = 1074600;

TEST(SearchSignature, SuiteNodeTotal) {
    double total = 0;
    for (const SearchSuiteEntry &e : kSearchSuite) {
        ASSERT_TRUE(run_search_suite_entry(e)) << e.name;
        EXPECT_GE(computerReachedDepth, 1) << e.name;
        total += computerNodes;
    }
    EXPECT_EQ(total, kSignature);
}

}  // namespace
