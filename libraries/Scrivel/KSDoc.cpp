#include "Scrivel/KSDoc.h"

#include <vector>

#include "Markwell/Doc.h"
#include "Scrivel/Enums.h"
#include "automation/Error.h"
#include "automation/Runtime.h"

namespace Scrivel {

using Automation::Ref;
using Automation::Variant;

namespace {

constexpr const char* kLibrary = "Scrivel";

// Day, month and year, "D/M/YYYY"; further parts are ignored.
Automation::DateValue TextToDate(const std::string& text) {
    std::vector<std::string_view> parts = Automation::split(text, '/');
    if (parts.size() < 3)
        Automation::raise(ScrivelError, kLibrary, "Invalid date format");
    int16_t day = Variant(parts[0]).toInteger();
    int16_t month = Variant(parts[1]).toInteger();
    int16_t year = Variant(parts[2]).toInteger();
    try {
        return {Automation::dateSerial(year, month, day)};
    } catch (const Automation::Error&) {
        Automation::raise(ScrivelError, kLibrary, "Date out of range: " + text);
    }
}

template <class List> Ref<List> createdOnFirstUse(Ref<List>& list) {
    if (!list)
        list = Automation::New<List>();
    return list;
}

std::string DateToText(Automation::DateValue date) {
    Automation::CalendarDate day = Automation::calendarDate(date.days);
    return std::to_string(day.day) + "/" + std::to_string(day.month) + "/" + std::to_string(day.year);
}

} // namespace

Ref<Scrivel::SerialConnectStrings> KSDoc::SerialConnectStrings() {
    return createdOnFirstUse(serialConnectStrings_);
}
Ref<Scrivel::BreakStrings> KSDoc::BreakStrings() {
    return createdOnFirstUse(breakStrings_);
}
Ref<PFiles> KSDoc::PrinterFiles() {
    return createdOnFirstUse(printerFiles_);
}
Ref<PDirs> KSDoc::PrinterDirectories() {
    return createdOnFirstUse(printerDirectories_);
}

void KSDoc::readNode(const Markwell::DocNode& node) {
    std::string name = Automation::lowerCase(node.Name());
    Ref<Markwell::DocNode> parentNode = node.Parent();
    std::string parent = parentNode ? parentNode->Name() : std::string();
    std::string lowerParent = Automation::lowerCase(parent);
    const Variant& value = node.Value();
    if (name == "name" && parent == "Application")
        applicationName_ = value.toString();
    else if (name == "version" && parent == "Application")
        version_ = value.toString();
    else if (name == "version" && parent == "Firmware")
        firmwareVersion_ = value.toString();
    else if (name == "date" && parent == "Application")
        buildDate_ = TextToDate(value.toString());
    else if (name == "uff-path" && parent == "Kestrup")
        uffFilePath_ = value.toString();
    else if (name == "license" && parent == "Application")
        licenseFilePath_ = value.toString();
    else if (name == "readme" && parent == "Application")
        readMeFilePath_ = value.toString();
    else if (name == "alwaysupdate" && lowerParent == "firmware")
        rubricAlwaysUpdate_ = value.toBool();
    else if (name == "flash" && lowerParent == "printer")
        minMemSizeFlash_ = value.toLong();
    else if (name == "dram" && lowerParent == "printer")
        minMemSizeDram_ = value.toLong();
    else if (name == "thresolution" && lowerParent == "printer")
        tphResolution_ = value.toLong();
    else if (name == "interface" && lowerParent == "printer")
        interfaces_ = value.toLong();
    else if (name == "models" && lowerParent == "printer")
        printermodels_ = value.toLong();
    else if (name == "breakstring" && lowerParent == "breakstrings")
        BreakStrings()->Add(value.toString())->setBreakString(value.toString());
    else if (name == "connectstring" && lowerParent == "connectstrings")
        SerialConnectStrings()->Add(value.toString())->setConnectstring(value.toString());
    else if (name == "file" && lowerParent == "files") {
        auto file = PrinterFiles()->Add(node.Key());
        for (auto child = node.Child(); child; child = child->NextSibling()) {
            std::string childName = Automation::lowerCase(child->Name());
            if (childName == "filetitle")
                file->setFileTitle(child->Value().toString());
            else if (childName == "destinationpath")
                file->setDestinationPath(child->Value().toString());
        }
    } else if (name == "directory" && lowerParent == "directories") {
        auto directory = PrinterDirectories()->Add(node.Key());
        for (auto child = node.Child(); child; child = child->NextSibling())
            if (Automation::lowerCase(child->Name()) == "directoryname")
                directory->setPath(child->Value().toString());
    } else if (name == "formatcard" && lowerParent == "filesystem")
        formatCard_ = value.toBool();
    else if (name == "formatflash" && lowerParent == "filesystem")
        formatFlash_ = value.toBool();
}

bool KSDoc::ReadXML(std::string_view sDoc) {
    auto doc = Automation::New<Markwell::Doc>();
    // Read from a cut copy, a package would upload part of its files or none
    // and still restart the printer.
    if (!doc->ReadXML(sDoc))
        Automation::raise(ScrivelError, kLibrary,
                          "The package document is damaged: it ends before its last element closes");
    if (doc->Count() == 0 || doc->Item(1)->Name() != "Kestrup")
        return false;
    try {
        for (const auto& node : *doc)
            readNode(*node);
    } catch (const Automation::Error& error) {
        // The run-time's conversion errors name the library as their source.
        if (error.Source().empty())
            Automation::raise(error.Number(), kLibrary, error.Description());
        throw;
    }
    return true;
}

std::string KSDoc::WriteXML() {
    auto doc = Automation::New<Markwell::Doc>();
    std::string root = doc->Add({}, 2, {}, "Kestrup")->Key();
    auto add = [&](const std::string& parent, std::string_view name,
                   const Variant& value = Variant::missing()) {
        return doc->Add(parent, Markwell::iagChild, {}, name, value)->Key();
    };
    add(root, "UFF-path", uffFilePath_);
    std::string application = add(root, "Application");
    add(application, "Version", version_);
    add(application, "Name", applicationName_);
    add(application, "Date", DateToText(buildDate_));
    add(application, "License", licenseFilePath_);
    add(application, "Readme", readMeFilePath_);
    std::string printer = add(root, "Printer");
    add(printer, "Flash", minMemSizeFlash_);
    add(printer, "DRAM", minMemSizeDram_);
    add(printer, "THResolution", tphResolution_);
    add(printer, "Interface", interfaces_);
    add(printer, "Models", printermodels_);
    std::string firmware = add(printer, "Firmware");
    add(firmware, "Version", firmwareVersion_);
    add(firmware, "AlwaysUpdate", rubricAlwaysUpdate_);
    std::string communication = add(root, "Communication");
    std::string breakStrings = add(communication, "Breakstrings");
    for (const auto& entry : *BreakStrings())
        add(breakStrings, "Breakstring", entry->getBreakString());
    std::string connectStrings = add(communication, "ConnectStrings");
    for (const auto& entry : *SerialConnectStrings())
        add(connectStrings, "ConnectString", entry->Connectstring());
    std::string fileSystem = add(root, "FileSystem");
    add(fileSystem, "FormatCard", formatCard_);
    add(fileSystem, "FormatFlash", formatFlash_);
    std::string directories = add(fileSystem, "Directories");
    for (const auto& entry : *PrinterDirectories())
        add(add(directories, "Directory"), "DirectoryName", entry->Path());
    std::string files = add(fileSystem, "Files");
    for (const auto& entry : *PrinterFiles()) {
        std::string file = add(files, "File");
        add(file, "FileTitle", entry->FileTitle());
        add(file, "DestinationPath", entry->DestinationPath());
    }
    return doc->WriteXML(true);
}

} // namespace Scrivel
