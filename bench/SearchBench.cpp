#include "bench/BenchArgs.h"
#include "bench/BenchCommands.h"

#include "app/AppSettings.h"
#include "app/PlaceSearch.h"
#include "osm/OsmParser.h"

#include <iostream>
#include <sstream>

namespace
{
// JSON text: quotes, backslashes and control characters escaped.
std::string quoted(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text)
    {
        if (c == '"' || c == '\\')
            out += '\\';
        if (static_cast<unsigned char>(c) < 0x20)
        {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        }
        else
            out += c;
    }
    return out + "\"";
}

// The search's figures as JSON; the store is gone when this returns, so its farewell
// line comes before the JSON.
std::string searchJson(const std::string& path, const std::string& text, std::size_t limit)
{
    int columns = 0;
    int rows = 0;
    const OsmParser store(path, columns, rows, appSettings().gridSize);
    const PlaceSearch search(PlaceSearch::placesOf(store));
    const auto start = std::chrono::steady_clock::now();
    const std::vector<PlaceSearch::Result> results = search.find(QString::fromStdString(text), limit);
    const double seconds = secondsSince(start);

    std::ostringstream json;
    json.precision(9);
    json << "{\"query\": " << quoted(text) << ", \"seconds\": " << seconds << ", \"results\": [";
    for (std::size_t i = 0; i < results.size(); ++i)
    {
        const NamedPlace& place = results[i].place;
        json << (i ? ", " : "") << "{\"type\": \"" << osmTypeName(place.type) << "\", \"id\": " << place.id
             << ", \"name\": " << quoted(results[i].name.toStdString()) << ", \"address\": "
             << (place.houseNumber.empty() ? "false" : "true") << ", \"rank\": " << results[i].rank
             << ", \"lon\": " << place.lon << ", \"lat\": " << place.lat << "}";
    }
    json << "]}";
    return json.str();
}
} // namespace

// search OSM_FILE TEXT [--limit N]: the places and addresses a search finds, best first.
int runSearchBench(const std::vector<std::string>& args)
{
    const BenchArgs parsed(args);
    const std::string path = parsed.positional(0, "OSM_FILE");
    const std::string text = parsed.positional(1, "TEXT");
    const auto limit = static_cast<std::size_t>(parsed.number("limit", 20));
    const std::string json = searchJson(path, text, limit);
    std::cout << json << std::endl;
    return 0;
}
