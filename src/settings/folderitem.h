#pragma once

#include "settings/object.h"

#include <QString>

// A reference to a file or folder by its absolute path.
class FolderItem : public Object {
public:
    explicit FolderItem(QString absolutePath)
        : absolutePath(std::move(absolutePath))
    {
    }
    const QString absolutePath;
};
