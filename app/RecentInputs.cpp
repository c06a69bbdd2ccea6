#include "app/RecentInputs.h"

#include <QSettings>

namespace
{
const char* const key = "recentInputs";
} // namespace

// Each pair is stored as a list of its two paths.
QVector<RecentInputs::Input> RecentInputs::list()
{
    QVector<Input> inputs;
    for (const QVariant& entry : QSettings().value(key).toList())
    {
        const QStringList paths = entry.toStringList();
        if (paths.size() == 2 && !paths[0].isEmpty())
            inputs.push_back(Input{paths[0], paths[1]});
    }
    return inputs;
}

void RecentInputs::add(const Input& input)
{
    QVector<Input> inputs = list();
    inputs.removeAll(input);
    inputs.prepend(input);
    QVariantList stored;
    for (int i = 0; i < inputs.size() && i < maximum; ++i)
        stored.push_back(QStringList{inputs[i].osmPath, inputs[i].terrainPath});
    QSettings().setValue(key, stored);
}

void RecentInputs::clear()
{
    QSettings().remove(key);
}
