// The skins found on disk, from which the Skin pop-up menu is built: one item per skin file with its
// menu command id, in the order they were added.
//
// Both classes report failures by throwing a heap CGenericException*; the menu code reports and
// deletes each one and goes on with the next file.
#pragma once

#include "platform/win32/types.h"

#include <memory>
#include <string>

class CSkinItem {
public:
    // Null name or path: throws "Invalid parameter in initializing CSkinItem".
    CSkinItem(LPCSTR skinName, LPCSTR skinPath, int commandId);

    std::string name;
    std::string path;
    int id;
    std::unique_ptr<CSkinItem> next;
};

class CSkinSet {
public:
    CSkinSet() = default;
    ~CSkinSet();
    CSkinSet(const CSkinSet&) = delete;
    CSkinSet& operator=(const CSkinSet&) = delete;

    // Appends a skin and returns the new count. Throws for a null path or one that is not on disk
    // (the set stays as it was).
    int Add(int id, LPCSTR path, LPCSTR name);
    void Clear();

    // The item of the menu command, or null.
    const CSkinItem* Find(int id) const;
    const CSkinItem* First() const { return head.get(); }
    int Count() const { return count; }

private:
    std::unique_ptr<CSkinItem> head;
    CSkinItem* tail = nullptr;
    int count = 0;
};
