#include "globe/TileReaderWriter.h"

#include "globe/TileBuilder.h"
#include "globe/TileKey.h"

#include <osgDB/FileNameUtils>
#include <osgDB/Registry>

#include <mutex>

namespace globe
{
TileReaderWriter::TileReaderWriter()
{
    supportsExtension(extension, "terrain tiles of the globe layer");
}

osgDB::ReaderWriter::ReadResult TileReaderWriter::readNode(const std::string& fileName,
                                                           const osgDB::Options* options) const
{
    if (!acceptsExtension(osgDB::getLowerCaseFileExtension(fileName)))
        return ReadResult::FILE_NOT_HANDLED;
    const auto* builder = options ? dynamic_cast<const TileBuilder*>(options->getUserData()) : nullptr;
    TileKey key(0, 0, 0);
    if (!builder || !TileKey::parse(osgDB::getNameLessExtension(osgDB::getSimpleFileName(fileName)), key))
        return ReadResult::FILE_NOT_FOUND;
    // The children page in their own children with (a copy of) the same options.
    osg::ref_ptr<osgDB::Options> pagingOptions = options->cloneOptions();
    return builder->createChildren(key, pagingOptions.get()).get();
}

void TileReaderWriter::registerOnce()
{
    static std::once_flag registered;
    std::call_once(registered, [] { osgDB::Registry::instance()->addReaderWriter(new TileReaderWriter); });
}
} // namespace globe
