// Outlook's type library as the simulated Outlook registers it (written from
// the vtable tables of Outlook's type library, sim/outlook/outlook.idl)
// against outlook/outlook_interfaces.h (the product's own writing of the same
// interfaces), member by member: IIDs, vtable slots, DISPIDs and argument
// types. Either writing may be wrong; the test notices where they differ.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "errors/com_holders.h"
#include "outlook/outlook_interfaces.h"
#include "tests/support/mailbox_json.h"
#include "tests/support/paths.h"
#include "tests/support/sim_support.h"

namespace qv::test {
namespace {

// Outlook's library: LIBID {00062FFF-0000-0000-C000-000000000046}, 9.6.
constexpr GUID kOutlookLibrary = {
    0x00062FFF, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

// A member as C++ names it (get_Name, put_Width, putref_CurrentFolder,
// GetNamespace), with its vtable slot, DISPID and the types of its
// parameters, the [out, retval] one last, written as C++ writes them.
struct Member {
  std::string name;
  int slot = 0;
  DISPID id = 0;
  std::vector<std::string> types;
};

struct Interface {
  std::string name;
  std::string iid;  // {00063001-0000-0000-C000-000000000046}
  std::vector<Member> members;
};

std::string without_spaces(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  return text;
}

// The parameter types of a declaration's parameter list ("BSTR Type,
// _NameSpace** result"): each parameter without its name.
std::vector<std::string> parameter_types(const std::string& parameters) {
  std::vector<std::string> types;
  std::stringstream list(parameters);
  for (std::string parameter; std::getline(list, parameter, ',');) {
    const size_t name = parameter.find_last_of(" *");
    types.push_back(without_spaces(parameter.substr(0, name + 1)));
  }
  return types;
}

// The interfaces as the header's text declares them: each MIDL_INTERFACE and
// its members, one declaration per line with its slot and DISPID in a comment.
std::vector<Interface> header_interfaces(const std::string& text) {
  static const std::regex kIid(R"re(MIDL_INTERFACE\("([0-9A-F-]+)"\))re");
  static const std::regex kStart(R"re(^(\w+) : public IDispatch \{)re");
  static const std::regex kMember(
      R"re(virtual HRESULT STDMETHODCALLTYPE (\w+)\((.*)\) = 0;\s*// slot (\d+), DISPID 0x([0-9A-F]+))re");
  std::vector<Interface> interfaces;
  std::string iid;
  std::stringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::smatch match;
    if (std::regex_search(line, match, kIid)) {
      iid = "{" + match[1].str() + "}";
    } else if (std::regex_search(line, match, kStart)) {
      interfaces.push_back(Interface{match[1].str(), iid, {}});
    } else if (std::regex_search(line, match, kMember) && !interfaces.empty()) {
      interfaces.back().members.push_back(
          Member{match[1].str(), std::stoi(match[3].str()),
                 static_cast<DISPID>(std::stoul(match[4].str(), nullptr, 16)),
                 parameter_types(match[2].str())});
    }
  }
  return interfaces;
}

std::string narrow(const wchar_t* text) {
  std::string result;
  for (const wchar_t* c = text; c != nullptr && *c != 0; ++c) {
    result.push_back(static_cast<char>(*c));
  }
  return result;
}

std::string guid_text(const GUID& guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, 40);
  return narrow(text);
}

// A type of the library as C++ writes it: VT_DISPATCH is "IDispatch*", an
// interface of the library its name (the pointers come from VT_PTR).
std::string type_text(ITypeInfo* info, const TYPEDESC& type) {
  switch (type.vt) {
    case VT_PTR:
      return type_text(info, *type.lptdesc) + "*";
    case VT_I4:
      return "long";
    case VT_BSTR:
      return "BSTR";
    case VT_VARIANT:
      return "VARIANT";
    case VT_BOOL:
      return "VARIANT_BOOL";
    case VT_DISPATCH:
      return "IDispatch*";
    case VT_UNKNOWN:
      return "IUnknown*";
    case VT_USERDEFINED: {
      com_ptr<ITypeInfo> referenced;
      unique_bstr name;
      if (SUCCEEDED(info->GetRefTypeInfo(type.hreftype, referenced.put()))) {
        referenced->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
      }
      return narrow(name.get());
    }
    default:
      return "VT " + std::to_string(type.vt);
  }
}

std::string cpp_name(const std::string& name, INVOKEKIND kind) {
  switch (kind) {
    case INVOKE_PROPERTYGET:
      return "get_" + name;
    case INVOKE_PROPERTYPUT:
      return "put_" + name;
    case INVOKE_PROPERTYPUTREF:
      return "putref_" + name;
    default:
      return name;
  }
}

// The vtable view of a dual interface of the library.
com_ptr<ITypeInfo> vtable_view(ITypeLib* library, REFIID iid) {
  com_ptr<ITypeInfo> dispatch_view;
  com_ptr<ITypeInfo> view;
  HREFTYPE vtable = 0;
  if (SUCCEEDED(library->GetTypeInfoOfGuid(iid, dispatch_view.put())) &&
      SUCCEEDED(dispatch_view->GetRefTypeOfImplType(static_cast<UINT>(-1), &vtable))) {
    dispatch_view->GetRefTypeInfo(vtable, view.put());
  }
  return view;
}

Member library_member(ITypeInfo* view, const FUNCDESC& function) {
  unique_bstr name;
  UINT names = 0;
  view->GetNames(function.memid, name.put(), 1, &names);
  Member member{cpp_name(narrow(name.get()), function.invkind),
                static_cast<int>(function.oVft / static_cast<SHORT>(sizeof(void*))),
                function.memid,
                {}};
  for (SHORT i = 0; i < function.cParams; ++i) {
    member.types.push_back(type_text(view, function.lprgelemdescParam[i].tdesc));
  }
  return member;
}

// The interfaces of the library that the header declares, in its order.
std::vector<Interface> library_interfaces(ITypeLib* library, const std::vector<Interface>& wanted) {
  std::vector<Interface> interfaces;
  for (const Interface& header : wanted) {
    IID iid = IID_NULL;
    std::wstring text(header.iid.begin(), header.iid.end());
    ::IIDFromString(text.c_str(), &iid);
    Interface found{header.name, "(not in the library)", {}};
    if (const com_ptr<ITypeInfo> view = vtable_view(library, iid)) {
      found.iid = header.iid;
      TYPEATTR* attributes = nullptr;
      view->GetTypeAttr(&attributes);
      for (WORD i = 0; attributes != nullptr && i < attributes->cFuncs; ++i) {
        FUNCDESC* function = nullptr;
        view->GetFuncDesc(i, &function);
        found.members.push_back(library_member(view.get(), *function));
        view->ReleaseFuncDesc(function);
      }
      view->ReleaseTypeAttr(attributes);
    }
    std::sort(found.members.begin(), found.members.end(),
              [](const Member& a, const Member& b) { return a.slot < b.slot; });
    interfaces.push_back(std::move(found));
  }
  return interfaces;
}

std::string joined(const std::vector<std::string>& types) {
  std::string text;
  for (const std::string& type : types) {
    text += (text.empty() ? "" : ", ") + type;
  }
  return "(" + text + ")";
}

// Where the two writings differ; empty when they agree. A header member's
// slot is its position among the declarations (the first is 7), and must
// also be the slot its comment gives.
std::vector<std::string> differences(const std::vector<Interface>& header,
                                     const std::vector<Interface>& library) {
  std::vector<std::string> found;
  for (size_t i = 0; i < header.size() && i < library.size(); ++i) {
    const Interface& ours = header[i];
    const Interface& theirs = library[i];
    if (ours.iid != theirs.iid) {
      found.push_back(ours.name + ": IID " + ours.iid + " in the header, " + theirs.iid);
    }
    if (ours.members.size() != theirs.members.size()) {
      found.push_back(ours.name + ": " + std::to_string(ours.members.size()) +
                      " members in the header, " + std::to_string(theirs.members.size()));
    }
    for (size_t m = 0; m < ours.members.size() && m < theirs.members.size(); ++m) {
      const Member& a = ours.members[m];
      const Member& b = theirs.members[m];
      const std::string where = ours.name + " slot " + std::to_string(7 + m) + ": ";
      if (a.name != b.name || b.slot != static_cast<int>(7 + m) || a.slot != b.slot) {
        found.push_back(where + a.name + " (comment: slot " + std::to_string(a.slot) +
                        ") in the header, " + b.name + " at slot " + std::to_string(b.slot));
      }
      if (a.id != b.id) {
        found.push_back(where + a.name + " DISPID " + std::to_string(a.id) + " in the header, " +
                        std::to_string(b.id));
      }
      if (a.types != b.types) {
        found.push_back(where + a.name + joined(a.types) + " in the header, " + joined(b.types));
      }
    }
  }
  if (header.size() != library.size()) {
    found.push_back(std::to_string(header.size()) + " interfaces in the header");
  }
  return found;
}

// An argument of this type for a call that needs no particular value: an
// omitted VARIANT, a zero, an empty text, or the folder for a parameter that
// is an interface of the library (always MAPIFolder*).
VARIANT empty_argument(const TYPEDESC& type, VARIANT* referenced, IDispatch* folder) {
  VARIANT argument;
  ::VariantInit(&argument);
  if (type.vt == VT_PTR && type.lptdesc->vt == VT_VARIANT) {
    argument.vt = VT_VARIANT | VT_BYREF;
    argument.pvarVal = referenced;
  } else if (type.vt == VT_PTR) {
    argument.vt = VT_DISPATCH;
    argument.pdispVal = folder;
  } else if (type.vt == VT_VARIANT) {
    argument.vt = VT_ERROR;
    argument.scode = DISP_E_PARAMNOTFOUND;
  } else if (type.vt == VT_BSTR || type.vt == VT_BOOL || type.vt == VT_DISPATCH) {
    argument.vt = type.vt;
  } else {  // long, and Outlook's enumerations
    argument.vt = VT_I4;
  }
  return argument;
}

// Calls a member of the library through ITypeInfo::Invoke, which calls the
// object's vtable at the member's slot, with arguments of its types.
void invoke_at_slot(ITypeInfo* view, IUnknown* object, const FUNCDESC& function,
                    IDispatch* folder) {
  std::vector<VARIANT> arguments;
  VARIANT referenced;
  ::VariantInit(&referenced);
  for (SHORT i = function.cParams; i > 0; --i) {
    const ELEMDESC& parameter = function.lprgelemdescParam[i - 1];
    if ((parameter.paramdesc.wParamFlags & PARAMFLAG_FRETVAL) == 0) {
      arguments.push_back(empty_argument(parameter.tdesc, &referenced, folder));
    }
  }
  DISPID put = DISPID_PROPERTYPUT;
  const bool puts = (function.invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF)) != 0;
  DISPPARAMS parameters = {arguments.data(), puts ? &put : nullptr,
                           static_cast<UINT>(arguments.size()), puts ? 1u : 0u};
  unique_variant result;
  EXCEPINFO exception = {};
  UINT argument_error = 0;
  view->Invoke(object, function.memid, static_cast<WORD>(function.invkind), &parameters,
               result.get(), &exception, &argument_error);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
}

class TypeLibraryTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { register_outlook_sim(); }
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(::CoInitialize(nullptr)));
    ASSERT_EQ(::LoadRegTypeLib(kOutlookLibrary, 9, 6, LOCALE_NEUTRAL, library_.put()), S_OK);
    header_ = header_interfaces(read_text_file(source_dir() + L"\\outlook\\outlook_interfaces.h"));
    registered_ = library_interfaces(library_.get(), header_);
  }
  void TearDown() override {
    library_ = com_ptr<ITypeLib>();
    ::CoUninitialize();
  }

  com_ptr<ITypeLib> library_;
  std::vector<Interface> header_;
  std::vector<Interface> registered_;
};

TEST_F(TypeLibraryTest, TheRegisteredLibraryAndTheHeaderAgreeMemberByMember) {
  ASSERT_EQ(header_.size(), 7u);
  size_t members = 0;
  for (const Interface& each : header_) {
    members += each.members.size();
  }
  EXPECT_EQ(members, 221u);  // the seven tables of Outlook's vtables
  for (const std::string& difference : differences(header_, registered_)) {
    ADD_FAILURE() << difference;
  }
}

// The compiled declarations: the IID constants and __uuidof that the product
// passes are the library's.
TEST_F(TypeLibraryTest, TheCompiledInterfaceIdsAreTheLibrarys) {
  const struct {
    const char* name;
    IID constant;
    IID declared;
  } cases[] = {{"_Application", IID__Application, __uuidof(_Application)},
               {"_NameSpace", IID__NameSpace, __uuidof(_NameSpace)},
               {"_Explorer", IID__Explorer, __uuidof(_Explorer)},
               {"Selection", IID_Selection, __uuidof(Selection)},
               {"MAPIFolder", IID_MAPIFolder, __uuidof(MAPIFolder)},
               {"_Folders", IID__Folders, __uuidof(_Folders)},
               {"_Items", IID__Items, __uuidof(_Items)}};
  for (const auto& c : cases) {
    com_ptr<ITypeInfo> info;
    EXPECT_EQ(library_->GetTypeInfoOfGuid(c.constant, info.put()), S_OK) << c.name;
    unique_bstr name;
    if (info) {
      info->GetDocumentation(MEMBERID_NIL, name.put(), nullptr, nullptr, nullptr);
    }
    EXPECT_EQ(narrow(name.get()), c.name);
    EXPECT_EQ(guid_text(c.declared), guid_text(c.constant)) << c.name;
  }
}

// The comparison itself: a slot, a DISPID or an IID changed in either writing
// is noticed.
TEST_F(TypeLibraryTest, AChangedSlotDispidOrIidInEitherWritingIsNoticed) {
  const struct {
    const char* change;
    bool in_header;
    void (*apply)(std::vector<Interface>&);
  } cases[] = {
      {"two slots swapped", true,
       [](std::vector<Interface>& all) { std::swap(all[3].members[4], all[3].members[5]); }},
      {"two slots swapped", false,
       [](std::vector<Interface>& all) {
         std::swap(all[4].members[8].slot, all[4].members[9].slot);
       }},
      {"a DISPID", true, [](std::vector<Interface>& all) { all[0].members[7].id = 0x112; }},
      {"a DISPID", false, [](std::vector<Interface>& all) { all[6].members[5].id = 0; }},
      {"an IID", true, [](std::vector<Interface>& all) { all[1].iid[2] = '1'; }},
      {"an IID", false,
       [](std::vector<Interface>& all) { all[2].iid = "{00063004-0000-0000-C000-000000000046}"; }},
      {"an argument type", false,
       [](std::vector<Interface>& all) { all[5].members[5].types[0] = "VARIANT*"; }},
  };
  for (const auto& c : cases) {
    std::vector<Interface> header = header_;
    std::vector<Interface> library = registered_;
    c.apply(c.in_header ? header : library);
    EXPECT_FALSE(differences(header, library).empty())
        << c.change << (c.in_header ? " in the header" : " in the library");
  }
}

// The compiled vtables: calling each member of the library at its slot on
// an object of the simulated Outlook, which implements the header's
// declarations, reaches the C++ member of the same name (the simulated
// Outlook counts each typed member under its own name).
TEST_F(TypeLibraryTest, EachSlotOfTheLibraryReachesTheHeadersMemberOfThatName) {
  ::SetEnvironmentVariableW(L"QV_SIM_TRACE", L"1");
  nlohmann::json mailbox = mailbox_of({simple_store()});
  mailbox["explorer"] = {{"selection", {"alpha"}}};
  TempDir dir;
  write_mailbox_file(dir.file(L"mailbox.json"), mailbox);
  ASSERT_EQ(use_outlook_mailbox(dir.file(L"mailbox.json")), S_OK);
  com_ptr<_Application> application;
  ASSERT_EQ(::CoCreateInstance(CLSID_OutlookApplication, nullptr, CLSCTX_INPROC_SERVER,
                               IID__Application, application.put_void()),
            S_OK);
  const unique_bstr mapi = unique_bstr::from(L"MAPI");
  com_ptr<_NameSpace> name_space;
  com_ptr<_Explorer> explorer;
  com_ptr<Selection> selection;
  com_ptr<_Folders> folders;
  com_ptr<MAPIFolder> folder;
  com_ptr<_Items> items;
  VARIANT first = {};
  first.vt = VT_I4;
  first.lVal = 1;
  ASSERT_EQ(application->GetNamespace(mapi.get(), name_space.put()), S_OK);
  ASSERT_EQ(application->ActiveExplorer(explorer.put()), S_OK);
  ASSERT_EQ(explorer->get_Selection(selection.put()), S_OK);
  ASSERT_EQ(name_space->get_Folders(folders.put()), S_OK);
  ASSERT_EQ(folders->Item(first, folder.put()), S_OK);
  ASSERT_EQ(folder->get_Items(items.put()), S_OK);
  IUnknown* const objects[] = {application.get(), name_space.get(), explorer.get(), selection.get(),
                               folder.get(),      folders.get(),    items.get()};
  const size_t before = outlook_report_now()["trace"].size();
  std::vector<std::string> expected;
  for (size_t i = 0; i < header_.size(); ++i) {
    IID iid = IID_NULL;
    const std::wstring text(header_[i].iid.begin(), header_[i].iid.end());
    ::IIDFromString(text.c_str(), &iid);
    const com_ptr<ITypeInfo> view = vtable_view(library_.get(), iid);
    ASSERT_TRUE(view) << header_[i].name;
    com_ptr<IUnknown> object;
    ASSERT_EQ(objects[i]->QueryInterface(iid, object.put_void()), S_OK);
    TYPEATTR* attributes = nullptr;
    ASSERT_EQ(view->GetTypeAttr(&attributes), S_OK);
    for (WORD f = 0; f < attributes->cFuncs; ++f) {
      FUNCDESC* function = nullptr;
      view->GetFuncDesc(f, &function);
      const std::string name = library_member(view.get(), *function).name;
      expected.push_back(header_[i].name + "." +
                         (name.rfind("get_", 0) == 0 ? name.substr(4) : name));
      invoke_at_slot(view.get(), object.get(), *function, folder.get());
      view->ReleaseFuncDesc(function);
    }
    view->ReleaseTypeAttr(attributes);
  }
  const nlohmann::json trace = outlook_report_now()["trace"];
  std::vector<std::string> reached;
  for (size_t i = before; i < trace.size(); ++i) {
    const std::string call = trace[i];
    if (call.find(".QueryInterface") == std::string::npos) {
      reached.push_back(call);
    }
  }
  ASSERT_EQ(reached.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(reached[i], expected[i]);
  }
}

}  // namespace
}  // namespace qv::test
