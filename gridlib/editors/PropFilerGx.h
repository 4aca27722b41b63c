// Property storage: saves a chosen set of published properties of an owner component (a form) and
// of the components it holds, and reads them back later, to remember a window's placement or a
// grid's column widths between runs.
//
// The caller lists property paths, one a line:
//   "<P>.Width"                    a property of the owner itself;
//   "Panel1.Grid1.<P>.Font.Size"   a property of a component reached by names from the owner
//                                  (each name looked up among the streaming children of the last);
//   "Grid1.<P>.Columns.<ForAllItems>.Width", "...Columns.<Item2>"   items of a collection.
// A path that ends at an object stores all of its properties. The stream has the component-stream
// layout (rtl/Filers.h): the owner's header and properties, then the components with paths, nested
// as they are reached, each a header, properties and children. Values are stored under their path
// inside the component ("Font.Size", "Columns.__Item0.Width").
//
// Interceptors stand between a stored name and the object: registered for a class, an
// interceptor's published properties are written and read in place of the object's own (a form's
// normal placement instead of its maximized bounds). The reader creates one per object it reads
// into and lets it apply its values (Readed) once the component's properties are all read.
#pragma once

#include "gui/Forms.h"
#include "rtl/Filers.h"
#include "rtl/TypInfo.h"

#include <functional>
#include <memory>
#include <vector>

class TPropWriterGx;
class TPropReaderGx;
class TStoragePropertyInterceptor;

using TWriteOwnerPropsEventGx = TClosure<void(TPropWriterGx* Writer)>;
using TReadOwnerPropEventGx = TClosure<void(TPropReaderGx* Reader, const AnsiString& PropName, bool& Processed)>;

// The class of an interceptor with its constructor (Create(ATarget)).
struct TStoragePropertyInterceptorClass {
    TClass Class = nullptr;
    std::function<TStoragePropertyInterceptor*(TObject* target)> Create;
    explicit operator bool() const noexcept { return Class != nullptr; }
};

template <class T>
TStoragePropertyInterceptorClass InterceptorClassOf() {
    return TStoragePropertyInterceptorClass{T::StaticClass(), [](TObject* target) -> TStoragePropertyInterceptor* {
                                                return new T(target);
                                            }};
}

// The base of the interceptors. A subclass publishes the properties it intercepts: one it can read
// is written in place of the target's, one it can set receives the value read.
class TStoragePropertyInterceptor : public TPersistent {
    PLANTMON_CLASS(TStoragePropertyInterceptor, TPersistent)
public:
    explicit TStoragePropertyInterceptor(TObject* ATarget) : target_(ATarget) {}
    TObject* Target() const noexcept { return target_; }
    virtual bool NeedIntercept() { return true; }
    // The values read are applied (after all properties of the target's component were read).
    virtual void Readed() {}

protected:
    TObject* target_;
};

// A form's placement: its normal (restored) bounds, the pixels per inch they were laid out for,
// its window state and active control.
class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
    PLANTMON_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
public:
    explicit TFormStoragePropertyInterceptor(TObject* ATarget);

    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* c) { activeControl_ = c; }
    // Read live from the form's normal placement; the members once set.
    int Left() const;
    void SetLeft(int v);
    int Top() const;
    void SetTop(int v);
    int Width() const;
    void SetWidth(int v) { width_ = v; }
    int Height() const;
    void SetHeight(int v) { height_ = v; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int v) { pixelsPerInch_ = v; }
    TWindowState WindowState() const { return windowState_; }
    void SetWindowState(TWindowState s) { windowState_ = s; }

    void Readed() override;

private:
    TCustomForm* form() const;
    TWinControl* activeControl_ = nullptr;
    int height_ = 0;
    int left_ = 0;
    int pixelsPerInch_ = 0;
    bool posPresent_ = false;
    int top_ = 0;
    int width_ = 0;
    TWindowState windowState_ = wsNormal;
};

// When false (the default) the reader skips a property it cannot read.
extern bool IsRaiseReadErrorGx;

// The names and objects of the components the streaming system lists as parentComp's children.
// The root of that enumeration is root, or, with checkInline, parentComp itself when it is inline
// or is root, else parentComp's owner.
void GetComponentChildListGx(TComponent* ParentComp, TComponent* Root, TStrings* ChildList, bool CheckInline);
// The child of that list named Name (case-insensitive); nullptr when there is none.
TComponent* FindChildComponent(TComponent* ParentComp, TComponent* Root, const AnsiString& Name, bool CheckInline);
// The text before the first ".", or the whole text.
AnsiString GetNextPointSeparatedToken(const AnsiString& Path);

// A later registration for the same target class replaces the earlier one.
void RegisterReadPropertyInterceptor(TClass TargetClass, const TStoragePropertyInterceptorClass& InterceptorClass);
void UnregisterReadPropertyInterceptor(TClass TargetClass, const TStoragePropertyInterceptorClass& InterceptorClass);
// The interceptor registered for the nearest class of TargetClass's chain (itself first); none
// when no class of the chain is registered.
TStoragePropertyInterceptorClass GetInterceptorForTarget(TClass TargetClass);

// The unit's start (registers the form interceptor) and end (drops the registrations); counted,
// and started once for the program when the unit is linked.
void PropFilerGxStartup();
void PropFilerGxShutdown();

class TPropWriterGx : public TWriter {
    PLANTMON_CLASS(TPropWriterGx, TWriter)
public:
    TPropWriterGx(TStream* Stream, int BufSize = 4096);
    ~TPropWriterGx() override;

    // Writes Owner and the components the paths name, with the properties the paths name.
    void WriteOwnerProperties(TComponent* Owner, TStrings* PropList);
    // The paths of all properties of AObject (no events): its own properties, those of the objects
    // it holds (prefixed with the property's name), a collection's name, its defined properties.
    void BuildPropsList(TObject* AObject, TStrings* List);
    // Writes the value PropPath names inside AObject.
    void SaveObjectProperyValue(TObject* AObject, const AnsiString& PropPath);
    void WriteAllProperties(TObject* AObject);
    void WriteCollection(TCollection* Collection);
    // Records the properties AObject defines itself, with their write procedures.
    void DefineObjectProperties(TObject* AObject);

    void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                              bool hasData) override;

    TWriteOwnerPropsEventGx OnWriteExtraOwnerProps;

protected:
    // The stored name: the current prefix, then Name.
    void WritePropName(const AnsiString& Name) override;

private:
    struct Defined {
        AnsiString name;
        TWriterProc write;
        TStreamProc writeStream;
    };
    void writePublished(TObject* obj, PPropInfo prop, const AnsiString& rest);
    void writeObjectProperty(TObject* obj, PPropInfo prop, const AnsiString& rest);
    void writeReference(TComponent* c);
    AnsiString referenceName(TComponent* c) const;
    TStoragePropertyInterceptor* interceptorFor(TObject* obj);
    void openComponent(TComponent* c, std::size_t depth);
    void closeDownTo(std::size_t depth);

    std::vector<Defined> defined_;
    std::vector<Defined> definedStreams_;
    std::vector<TComponent*> open_;
    // The innermost open component's property list is still open.
    bool propsOpen_ = false;
    std::vector<std::pair<TObject*, std::unique_ptr<TStoragePropertyInterceptor>>> interceptors_;
    AnsiString prefix_;
};

class TPropReaderGx : public TReader {
    PLANTMON_CLASS(TPropReaderGx, TReader)
public:
    TPropReaderGx(TStream* Stream, int BufSize = 4096);
    ~TPropReaderGx() override;

    // Reads what WriteOwnerProperties wrote back into Owner and its components.
    void ReadOwnerProperties(TComponent* Owner);
    // One component of the stream: into Component, else into the current parent's child of the
    // stream's name; a component not found reads into a temporary one that is dropped.
    void ReadComponent(TComponent* Component);
    // Collections are read by the stream reader's own ReadCollection, whose items come through this
    // reader's ReadProperty.
    // Reads a set value; member i is bit i.
    long long ReadSet(PTypeInfo TypeInfo);

    void DefineProperty(const AnsiString& name, TReaderProc readData, TWriterProc writeData, bool hasData) override;
    void DefineBinaryProperty(const AnsiString& name, TStreamProc readData, TStreamProc writeData,
                              bool hasData) override;

    TReadOwnerPropEventGx OnCustomOwnerProp;

protected:
    void ReadProperty(TPersistent* AInstance) override;
    void ReadPropValue(TPersistent* Instance, PPropInfo PropInfo) override;
    // The platform's answer (OnError) when IsRaiseReadErrorGx is set; otherwise the property is
    // skipped.
    bool Error(const AnsiString& Message) override;

private:
    void readValueInto(TObject* obj, PPropInfo prop);
    TComponent* findReference(const AnsiString& name) const;
    TStoragePropertyInterceptor* interceptorFor(TObject* obj);
    // Forgets the interceptors of everything inside the collection's items, before they are freed.
    void dropInterceptorsWithin(TCollection* collection);

    struct HeldInterceptor {
        TObject* target;
        std::unique_ptr<TStoragePropertyInterceptor> interceptor;
        std::vector<TCollection*> within;  // the collections whose items hold the target
    };
    std::vector<TCollection*> updating_;
    std::vector<HeldInterceptor> interceptors_;
    // The collections whose items hold the object being read.
    std::vector<TCollection*> within_;
    // The name being read and whether a defined property took it.
    AnsiString definedName_;
    bool definedHandled_ = false;
    // An error raised by a defined property's own read procedure is never skipped.
    bool definedFailed_ = false;
};
