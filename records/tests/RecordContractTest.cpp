#include <gtest/gtest.h>

#include "platform/fakes/FakeRegional.h"
#include "records/FindDate.h"
#include "records/RecordContract.h"

namespace tembrel {
namespace {

// The names both programs build for a day's use. The weekly file takes the ISO week but the
// calendar year: the Monday of week 1 that lies in December names the old year.
TEST(RecordContract, NamesTheThreeUsageFilesOfADay) {
    FakeRegional regional;
    struct Case {
        LocalTime date;
        const char* daily;
        const char* dated;
        const char* weekly;
    };
    for (const Case& c : {Case{{2025, 12, 8}, "Ann12-8-2025", "12-8-2025-Ann", "50Ann2025"},
                          Case{{2024, 12, 30}, "Ann12-30-2024", "12-30-2024-Ann", "1Ann2024"},
                          Case{{2027, 1, 1}, "Ann1-1-2027", "1-1-2027-Ann", "53Ann2027"}}) {
        const contract::UsageNames names = contract::UsageNamesFor(regional, "Ann", c.date);
        EXPECT_EQ(names.daily, c.daily);
        EXPECT_EQ(names.dated, c.dated);
        EXPECT_EQ(names.weekly, c.weekly);
        EXPECT_EQ(names.weekStart, WeekStartSeconds(c.date));
    }
}

} // namespace
} // namespace tembrel
