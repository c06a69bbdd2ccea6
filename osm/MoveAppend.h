#pragma once

#include <iterator>

// Moves the records of a later stretch of the file behind the earlier ones.
template <class Records>
void moveAppend(Records& to, Records& from)
{
    to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}
