// The program's document: the single document of the main window, which holds no data (the file list is the only
// store of rows and nothing of it is saved).
#pragma once

#include <windows.h>

#include <string>

class CSquozenDoc {
public:
    virtual ~CSquozenDoc() = default;
    // A new, empty document; there is nothing to reset.
    virtual BOOL OnNewDocument() { return TRUE; }
    // A document file named on the command line: opened for reading as a document file is, and nothing is read
    // from it. FALSE when the file does not open.
    virtual BOOL OnOpenDocument(const std::string& path);
    // The full path of the document file last opened; empty for a new document.
    const std::string& GetPathName() const { return m_strPathName; }

private:
    std::string m_strPathName;
};
