#include "app/PlaceSearch.h"

#include "osm/OsmParser.h"

#include <algorithm>

namespace
{
constexpr int noMatch = -1;
}

PlaceSearch::PlaceSearch(const std::vector<NamedPlace>& places_) : places(places_)
{
    names.reserve(places.size());
    foldedNames.reserve(places.size());
    const auto text = [](std::string_view view) { return QString::fromUtf8(view.data(), static_cast<int>(view.size())); };
    for (const NamedPlace& place : places)
    {
        names.push_back(place.houseNumber.empty() ? text(place.name) : text(place.name) + ' ' + text(place.houseNumber));
        foldedNames.push_back(folded(names.back()));
    }
}

std::vector<NamedPlace> PlaceSearch::placesOf(const OsmParser& store)
{
    std::vector<NamedPlace> places = store.allNamed();
    const std::vector<NamedPlace> addresses = store.allAddresses();
    places.insert(places.end(), addresses.begin(), addresses.end());
    return places;
}

// The compatibility decomposition splits "é" into "e" and a combining accent, which
// is then dropped, and ligatures into their letters. Qt folds case one letter for
// one, so "ß" is made "ss" by hand, as full case folding would.
QString PlaceSearch::folded(const QString& text)
{
    const QString decomposed = text.normalized(QString::NormalizationForm_KD).toCaseFolded();
    QString result;
    result.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing && c.category() != QChar::Mark_SpacingCombining &&
            c.category() != QChar::Mark_Enclosing)
            result.append(c);
    return result.replace(QChar(0x00DF), QLatin1String("ss")).simplified();
}

int PlaceSearch::rankOf(const QString& name, const QString& query)
{
    const int at = name.indexOf(query);
    if (at < 0)
        return noMatch;
    if (at == 0)
        return name.size() == query.size() ? 0 : 1;
    for (int from = at; from >= 0; from = name.indexOf(query, from + 1))
        if (!name.at(from - 1).isLetterOrNumber())
            return 2;
    return 3;
}

std::vector<PlaceSearch::Result> PlaceSearch::find(const QString& query, std::size_t limit) const
{
    const QString wanted = folded(query);
    std::vector<Result> results;
    if (wanted.isEmpty())
        return results;
    std::vector<std::pair<std::size_t, int>> found;
    for (std::size_t i = 0; i < places.size(); ++i)
    {
        const int rank = rankOf(foldedNames[i], wanted);
        if (rank != noMatch)
            found.emplace_back(i, rank);
    }
    std::stable_sort(found.begin(), found.end(), [this](const auto& a, const auto& b) {
        if (a.second != b.second)
            return a.second < b.second;
        return foldedNames[a.first].size() < foldedNames[b.first].size();
    });
    for (std::size_t i = 0; i < found.size() && results.size() < limit; ++i)
        results.push_back({places[found[i].first], names[found[i].first], found[i].second});
    return results;
}
