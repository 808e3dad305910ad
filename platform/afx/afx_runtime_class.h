// Run-time classes: each framework class can say what class an object is (GetRuntimeClass,
// IsKindOf), and classes declared creatable make a default-constructed object from their class
// alone, or from their class's name, for code that knows only that.
//
//   class CImgBrowser : public CWnd { DECLARE_DYNCREATE(CImgBrowser) ... };
//   IMPLEMENT_DYNCREATE(CImgBrowser, CWnd)                 // in one .cpp
//   CObject* made = RUNTIME_CLASS(CImgBrowser)->CreateObject();
//   CObject* same = CRuntimeClass::CreateObject("CImgBrowser");
//
// Lookup by name finds the creatable classes of the files linked into the program.
#pragma once

#include "platform/win32/types.h"

class CObject;

struct CRuntimeClass {
    LPCSTR m_lpszClassName;
    int m_nObjectSize;
    CObject* (*m_pfnCreateObject)();             // null: the class cannot be created this way
    const CRuntimeClass* (*m_pfnGetBaseClass)(); // null for CObject

    // A new object of the class that the caller deletes; null when the class is not creatable.
    CObject* CreateObject() const;
    BOOL IsDerivedFrom(const CRuntimeClass* base) const;

    // The creatable class of that name (exact case), or null.
    static const CRuntimeClass* FromName(LPCSTR className);
    static CObject* CreateObject(LPCSTR className);
    // IMPLEMENT_DYNCREATE's: makes the class known by name.
    static bool Register(const CRuntimeClass* runtimeClass);
};

// The root of the framework's classes.
class CObject {
public:
    virtual ~CObject() = default;
    virtual const CRuntimeClass* GetRuntimeClass() const;
    BOOL IsKindOf(const CRuntimeClass* runtimeClass) const;

    static const CRuntimeClass classCObject;

protected:
    CObject() = default;
    CObject(const CObject&) = default;
    CObject& operator=(const CObject&) = default;
};

#define RUNTIME_CLASS(name) (&name::class##name)

#define DECLARE_DYNAMIC(name)                                 \
public:                                                       \
    static const CRuntimeClass class##name;                   \
    const CRuntimeClass* GetRuntimeClass() const override;

#define DECLARE_DYNCREATE(name) \
    DECLARE_DYNAMIC(name)       \
    static CObject* CreateObject();

#define AFX_IMPLEMENT_RUNTIMECLASS(name, base, factory)                                                  \
    const CRuntimeClass name::class##name = {#name, static_cast<int>(sizeof(name)), factory,             \
                                             []() -> const CRuntimeClass* { return RUNTIME_CLASS(base); }}; \
    const CRuntimeClass* name::GetRuntimeClass() const { return RUNTIME_CLASS(name); }

#define IMPLEMENT_DYNAMIC(name, base) AFX_IMPLEMENT_RUNTIMECLASS(name, base, nullptr)

#define IMPLEMENT_DYNCREATE(name, base)                                   \
    CObject* name::CreateObject() { return new name; }                    \
    AFX_IMPLEMENT_RUNTIMECLASS(name, base, &name::CreateObject)           \
    [[maybe_unused]] static const bool afxRegistered##name = CRuntimeClass::Register(RUNTIME_CLASS(name));
