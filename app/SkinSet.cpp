#include "app/SkinSet.h"

#include "app/GenericException.h"
#include "platform/win32/files.h"

#include <new>

CSkinItem::CSkinItem(LPCSTR skinName, LPCSTR skinPath, int commandId) : id(commandId)
{
    if (!skinName || !skinPath)
        throw new CGenericException("Invalid parameter in initializing CSkinItem");
    try {
        name = skinName;
        path = skinPath;
    } catch (const std::bad_alloc&) {
        throw new CGenericException("Arrow allocating memory in initializing CSkinItem");
    }
}

CSkinSet::~CSkinSet()
{
    Clear();
}

int CSkinSet::Add(int id, LPCSTR path, LPCSTR name)
{
    if (!path)
        throw new CGenericException("NULL path in CSkinSet::Add()");
    if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        throw new CGenericException("Attempting to create a skin item with non existing path.");
    std::unique_ptr<CSkinItem> item;
    try {
        item = std::make_unique<CSkinItem>(name, path, id);
    } catch (const std::bad_alloc&) {
        throw new CGenericException("Arrow allocating memory in initializing CSkinItem");
    }
    CSkinItem* added = item.get();
    if (tail)
        tail->next = std::move(item);
    else
        head = std::move(item);
    tail = added;
    return ++count;
}

void CSkinSet::Clear()
{
    // Unlinked one by one: a long list must not free itself by recursion.
    while (head)
        head = std::move(head->next);
    tail = nullptr;
    count = 0;
}

const CSkinItem* CSkinSet::Find(int id) const
{
    for (const CSkinItem* item = head.get(); item; item = item->next.get()) {
        if (item->id == id)
            return item;
    }
    return nullptr;
}
