// The built-in workbook engine: the provider and the application over the workbook model.
#include "export/XlsxEngine.h"

#include <algorithm>
#include <vector>

#include "export/XlsxWorkbook.h"
#include "platform/FileIo.h"

namespace tagmora {
namespace {

// The largest workbook file the engine opens.
constexpr std::int64_t kMaxWorkbookFile = 1ll << 30;

class XlsxApplication : public SpreadsheetApplication {
public:
    ~XlsxApplication() override { Quit(); }

    void SetVisible(bool) override {}

    Workbook& OpenWorkbook(const std::string& path) override {
        DropClosed();
        std::string bytes;
        try {
            fileio::OpenedFile file = fileio::OpenRegularFile(path);
            if (!file.Ok()) throw xlsx::ErrnoError(file.Error);
            if (file.Size > kMaxWorkbookFile) throw SpreadsheetError("файл слишком велик", "the file is too large");
            bytes.resize(static_cast<std::size_t>(file.Size));
            if (const int error = fileio::ReadFullyAt(file.File.Get(), bytes.data(), bytes.size(), 0); error != 0)
                throw xlsx::ErrnoError(error);
            books_.push_back(std::make_unique<xlsx::BookModel>(xlsx::Package::FromBytes(std::move(bytes)), path));
        } catch (const SpreadsheetError& e) {
            throw SpreadsheetError("Не удалось открыть книгу: ", "cannot open the workbook: ", e);
        }
        return *books_.back();
    }

    Workbook& AddWorkbook() override {
        DropClosed();
        books_.push_back(std::make_unique<xlsx::BookModel>(xlsx::NewWorkbookPackage(), std::string()));
        return *books_.back();
    }

    void Quit() override {
        for (auto& book : books_)
            if (!book->Closed()) book->Close();
        books_.clear();
    }

private:
    // Workbooks closed earlier are let go here, never inside their own Close.
    void DropClosed() {
        std::erase_if(books_, [](const std::unique_ptr<xlsx::BookModel>& book) { return book->Closed(); });
    }

    std::vector<std::unique_ptr<xlsx::BookModel>> books_;
};

class BuiltInProvider : public SpreadsheetProvider {
public:
    std::optional<std::string> ProgId() const override { return std::string(kBuiltInSpreadsheetProgId); }

    std::unique_ptr<SpreadsheetApplication> CreateApplication(const std::string& progId) override {
        if (progId != kBuiltInSpreadsheetProgId)
            throw SpreadsheetError("Не удалось создать объект " + progId + ": такое приложение не установлено",
                                   "cannot create " + progId + ": no such application is installed");
        return std::make_unique<XlsxApplication>();
    }
};

}  // namespace

std::unique_ptr<SpreadsheetProvider> MakeBuiltInSpreadsheet() { return std::make_unique<BuiltInProvider>(); }

}  // namespace tagmora
