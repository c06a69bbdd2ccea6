#pragma once

#include "osm/NamedPlace.h"

#include <QString>

class OsmParser;

#include <cstddef>
#include <vector>

// Finds named places and addresses offline, whatever the case and the accents: a name equal to the
// query first, then names that begin with it, then names with a word that begins
// with it, then names that hold it; shorter names first within each. Built once from
// the store's names; find() may be called from any thread.
class PlaceSearch
{
public:
    struct Result
    {
        NamedPlace place;
        QString name; // a copy of the place's name, which outlives the store
        int rank = 0; // 0 equal, 1 name prefix, 2 word prefix, 3 inside
    };

    explicit PlaceSearch(const std::vector<NamedPlace>& places);
    // The store's names and addresses.
    static std::vector<NamedPlace> placesOf(const OsmParser& store);

    std::vector<Result> find(const QString& query, std::size_t limit = 20) const;

    // Lower case without accents or other marks, for comparing names.
    static QString folded(const QString& text);

private:
    static int rankOf(const QString& name, const QString& query);

    std::vector<NamedPlace> places;
    std::vector<QString> names;
    std::vector<QString> foldedNames;
};
