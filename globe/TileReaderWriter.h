#pragma once

#include <osgDB/ReaderWriter>

namespace globe
{
// Lets the database pager build terrain tiles: "level_x_y.globetile" names the
// four children of a tile, and the request's options carry the TileBuilder.
class TileReaderWriter : public osgDB::ReaderWriter
{
public:
    static constexpr const char* extension = "globetile";

    TileReaderWriter();

    const char* className() const override { return "globe terrain tiles"; }
    ReadResult readNode(const std::string& fileName, const osgDB::Options* options) const override;

    // Registers one instance with osgDB; further calls do nothing.
    static void registerOnce();
};
} // namespace globe
