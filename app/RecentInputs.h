#pragma once

#include <QString>
#include <QVector>

// The last OSM/terrain pairs that loaded, newest first, kept in the application's
// QSettings between runs. GUI thread.
class RecentInputs
{
public:
    struct Input
    {
        QString osmPath;
        QString terrainPath;
        bool operator==(const Input& other) const
        {
            return osmPath == other.osmPath && terrainPath == other.terrainPath;
        }
    };
    static constexpr int maximum = 8;

    static QVector<Input> list();
    // Puts the pair first, once, and forgets the oldest beyond the maximum.
    static void add(const Input& input);
    static void clear();
};
