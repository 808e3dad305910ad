#include "platform/afx/afx_runtime_class.h"

#include "platform/afx/afx_wnd.h"

#include <map>
#include <mutex>
#include <string>

namespace {

struct CreatableClasses {
    std::mutex mutex;
    std::map<std::string, const CRuntimeClass*> byName;
};

CreatableClasses& Creatable()
{
    static CreatableClasses classes;
    return classes;
}

} // namespace

const CRuntimeClass CObject::classCObject = {"CObject", static_cast<int>(sizeof(CObject)), nullptr, nullptr};

const CRuntimeClass* CObject::GetRuntimeClass() const
{
    return RUNTIME_CLASS(CObject);
}

BOOL CObject::IsKindOf(const CRuntimeClass* runtimeClass) const
{
    return GetRuntimeClass()->IsDerivedFrom(runtimeClass);
}

// The framework's own classes that others derive from.
IMPLEMENT_DYNAMIC(CCmdTarget, CObject)
IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

CObject* CRuntimeClass::CreateObject() const
{
    return m_pfnCreateObject ? m_pfnCreateObject() : nullptr;
}

BOOL CRuntimeClass::IsDerivedFrom(const CRuntimeClass* base) const
{
    for (const CRuntimeClass* c = this; c; c = c->m_pfnGetBaseClass ? c->m_pfnGetBaseClass() : nullptr) {
        if (c == base)
            return TRUE;
    }
    return FALSE;
}

bool CRuntimeClass::Register(const CRuntimeClass* runtimeClass)
{
    CreatableClasses& classes = Creatable();
    std::lock_guard lock(classes.mutex);
    return classes.byName.emplace(runtimeClass->m_lpszClassName, runtimeClass).second;
}

const CRuntimeClass* CRuntimeClass::FromName(LPCSTR className)
{
    if (!className)
        return nullptr;
    CreatableClasses& classes = Creatable();
    std::lock_guard lock(classes.mutex);
    const auto found = classes.byName.find(className);
    return found == classes.byName.end() ? nullptr : found->second;
}

CObject* CRuntimeClass::CreateObject(LPCSTR className)
{
    const CRuntimeClass* runtimeClass = FromName(className);
    return runtimeClass ? runtimeClass->CreateObject() : nullptr;
}
