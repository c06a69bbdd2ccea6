#include "app/PlaceSearch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
std::vector<std::string> namesFound(const PlaceSearch& search, const QString& query, std::size_t limit = 20)
{
    std::vector<std::string> names;
    for (const PlaceSearch::Result& result : search.find(query, limit))
        names.emplace_back(result.place.name);
    return names;
}
} // namespace

TEST(PlaceSearch, CaseAndAccentsAsideEqualThenPrefixThenWordThenInsideShorterFirst)
{
    const std::vector<std::string> names{"Le Petit Casino", "Casino de Monte-Carlo", "CASINO", "Minicasino",
                                         "Casino Café",     "Église Saint-Charles",  "Straße", "Église"};
    std::vector<NamedPlace> places;
    for (std::size_t i = 0; i < names.size(); ++i)
        places.push_back({OsmType::Way, OsmId(i), names[i], {}, 43.7f, 7.4f});
    const PlaceSearch search(places);

    EXPECT_EQ(namesFound(search, "casino"),
              (std::vector<std::string>{"CASINO", "Casino Café", "Casino de Monte-Carlo", "Le Petit Casino",
                                        "Minicasino"}));
    EXPECT_EQ(namesFound(search, "  EGLISE "), (std::vector<std::string>{"Église", "Église Saint-Charles"}));
    EXPECT_EQ(namesFound(search, "cafe"), std::vector<std::string>{"Casino Café"});
    EXPECT_EQ(namesFound(search, "strasse"), std::vector<std::string>{"Straße"});
    EXPECT_EQ(namesFound(search, "casino", 2), (std::vector<std::string>{"CASINO", "Casino Café"}));
    EXPECT_TRUE(search.find("").empty());
    EXPECT_TRUE(search.find("opera").empty());
}
