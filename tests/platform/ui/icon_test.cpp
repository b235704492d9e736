// Icon resources: the .ico reader's checks, loading by size, and reading an
// icon back through GetIconInfo, GetObjectW and GetDIBits.
#include "platform/ui/icon.h"
#include "platform/ui/resources.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// An .ico file of one or more images of 4 bits per pixel: pixel (x, y), y
// from the top, has colour (x + y) % 16; the left column is transparent.
struct IcoBuilder {
    std::vector<int> sizes{4};
    DWORD colorsUsed = 16;
    WORD bitCount = 4;
    DWORD headerSize = 40;

    std::vector<BYTE> Build() const {
        std::vector<std::vector<BYTE>> images;
        for (int n : sizes) {
            std::vector<BYTE> image(40);
            BITMAPINFOHEADER h{};
            h.biSize = headerSize;
            h.biWidth = n;
            h.biHeight = 2 * n;
            h.biPlanes = 1;
            h.biBitCount = bitCount;
            h.biClrUsed = colorsUsed;
            std::memcpy(image.data(), &h, sizeof h);
            for (DWORD c = 0; c < colorsUsed; ++c) {
                const BYTE level = static_cast<BYTE>(c * 16);
                image.insert(image.end(), {level, static_cast<BYTE>(255 - level), level, 0});
            }
            const std::size_t stride = ((n * 4 + 31) / 32) * 4;
            for (int y = n - 1; y >= 0; --y) {
                std::vector<BYTE> row(stride);
                for (int x = 0; x < n; ++x)
                    row[x / 2] |= static_cast<BYTE>(((x + y) % 16) << (x % 2 ? 0 : 4));
                image.insert(image.end(), row.begin(), row.end());
            }
            const std::size_t maskStride = ((n + 31) / 32) * 4;
            for (int y = n - 1; y >= 0; --y) {
                std::vector<BYTE> row(maskStride);
                row[0] = 0x80;
                image.insert(image.end(), row.begin(), row.end());
            }
            images.push_back(std::move(image));
        }
        std::vector<BYTE> file{0, 0, 1, 0, static_cast<BYTE>(sizes.size()), 0};
        DWORD offset = static_cast<DWORD>(6 + 16 * sizes.size());
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            const DWORD size = static_cast<DWORD>(images[i].size());
            const BYTE n = static_cast<BYTE>(sizes[i]);
            file.insert(file.end(), {n, n, 16, 0, 1, 0, 4, 0});
            for (DWORD value : {size, offset})
                for (int b = 0; b < 4; ++b)
                    file.push_back(static_cast<BYTE>(value >> (8 * b)));
            offset += size;
        }
        for (const auto& image : images)
            file.insert(file.end(), image.begin(), image.end());
        return file;
    }
};

DWORD Refusal(const std::vector<BYTE>& file, int size = 4) {
    auto image = ui::detail::ReadIconImage(file, size, size);
    return image.ok() ? 0 : image.status().code();
}

TEST(IconReaderTest, DamagedFilesAreRefused) {
    const std::vector<BYTE> good = IcoBuilder{}.Build();
    EXPECT_EQ(0u, Refusal(good));
    for (std::size_t cut : {std::size_t{0}, std::size_t{5}, std::size_t{21}, good.size() - 1})
        EXPECT_EQ(ERROR_INVALID_DATA, Refusal({good.begin(), good.begin() + cut})) << cut;

    std::vector<BYTE> farOffset = good;
    farOffset[18] = 0xFF; // the image's offset past the end
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(farOffset));
    std::vector<BYTE> hugeSize = good;
    hugeSize[14] = hugeSize[15] = hugeSize[16] = hugeSize[17] = 0xFF;
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(hugeSize));
    std::vector<BYTE> manyImages = good;
    manyImages[4] = 200;
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(manyImages));
    std::vector<BYTE> notIcon = good;
    notIcon[2] = 2; // a cursor file
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(notIcon));

    IcoBuilder wrong;
    wrong.headerSize = 108;
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(wrong.Build()));
    wrong = IcoBuilder{};
    wrong.bitCount = 24;
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(wrong.Build()));
    wrong = IcoBuilder{};
    wrong.bitCount = 1;
    EXPECT_EQ(ERROR_INVALID_DATA, Refusal(wrong.Build())) << "16 colours for a 1-bit image";

    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, Refusal(good, 8)) << "no such size";
}

TEST(IconReaderTest, AShortColourTableReadsAsBlackBeyondIt) {
    IcoBuilder few;
    few.colorsUsed = 2;
    auto image = ui::detail::ReadIconImage(few.Build(), 4, 4);
    ASSERT_TRUE(image.ok()) << image.status().message();
    ASSERT_EQ(16u, image->colors.size());
    EXPECT_EQ(255, image->colors[0].rgbGreen);
    EXPECT_EQ(0, image->colors[5].rgbGreen);
}

class IconTest : public ::testing::Test {
protected:
    void SetUp() override {
        IcoBuilder two;
        two.sizes = {8, 4};
        ui::AddIconResource(300, two.Build());
        std::vector<BYTE> damaged = two.Build();
        damaged.resize(damaged.size() - 3);
        ui::AddIconResource(301, damaged);
    }
};

TEST_F(IconTest, AnIconLoadsAtEachSizeAndReadsBack) {
    for (int n : {8, 4}) {
        HICON icon = reinterpret_cast<HICON>(
            LoadImageW(nullptr, MAKEINTRESOURCEW(300), IMAGE_ICON, n, n, LR_DEFAULTCOLOR));
        ASSERT_NE(nullptr, icon) << n;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        EXPECT_TRUE(info.fIcon);
        BITMAP bitmap{};
        ASSERT_EQ(static_cast<int>(sizeof bitmap),
                  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap));
        EXPECT_EQ(n, bitmap.bmWidth);
        EXPECT_EQ(n, bitmap.bmHeight);
        EXPECT_EQ(4, bitmap.bmBitsPixel);

        struct {
            BITMAPINFOHEADER header;
            RGBQUAD colors[16];
        } dib{};
        dib.header.biSize = sizeof dib.header;
        ASSERT_NE(0, GetDIBits(nullptr, info.hbmColor, 0, n, nullptr,
                               reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS));
        EXPECT_EQ(4, dib.header.biBitCount);
        EXPECT_EQ(16u, dib.header.biClrUsed);
        std::vector<BYTE> rows(dib.header.biSizeImage);
        ASSERT_EQ(n, GetDIBits(nullptr, info.hbmColor, 0, n, rows.data(),
                               reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS));
        EXPECT_EQ(48, dib.colors[3].rgbBlue);
        const std::size_t stride = rows.size() / n;
        // Pixel (x, y) from the top is in row n - 1 - y of the bottom-up rows.
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                const BYTE packed = rows[(n - 1 - y) * stride + x / 2];
                EXPECT_EQ((x + y) % 16, x % 2 ? packed & 0x0F : packed >> 4) << x << "," << y;
            }
        // At 32 bits the colours themselves.
        dib.header.biBitCount = 32;
        std::vector<RGBQUAD> wide(static_cast<std::size_t>(n) * n);
        ASSERT_EQ(n, GetDIBits(nullptr, info.hbmColor, 0, n, wide.data(),
                               reinterpret_cast<BITMAPINFO*>(&dib), DIB_RGB_COLORS));
        EXPECT_EQ(static_cast<BYTE>(((2 + 0) % 16) * 16), wide[(n - 1) * n + 2].rgbRed);

        ASSERT_EQ(static_cast<int>(sizeof bitmap),
                  GetObjectW(info.hbmMask, sizeof bitmap, &bitmap));
        EXPECT_EQ(1, bitmap.bmBitsPixel);
        EXPECT_TRUE(DeleteObject(info.hbmColor));
        EXPECT_TRUE(DeleteObject(info.hbmMask));
        EXPECT_TRUE(DestroyIcon(icon));
        EXPECT_FALSE(DestroyIcon(icon));
    }
}

TEST_F(IconTest, ADamagedOrMissingIconIsNotLoaded) {
    SetLastError(0);
    EXPECT_EQ(nullptr, LoadImageW(nullptr, MAKEINTRESOURCEW(301), IMAGE_ICON, 4, 4, 0));
    EXPECT_EQ(ERROR_INVALID_DATA, GetLastError());
    EXPECT_EQ(nullptr, LoadImageW(nullptr, MAKEINTRESOURCEW(302), IMAGE_ICON, 4, 4, 0));
    EXPECT_EQ(ERROR_RESOURCE_NAME_NOT_FOUND, GetLastError());
    EXPECT_EQ(nullptr, LoadIconW(nullptr, MAKEINTRESOURCEW(300)))
        << "LoadIconW asks for 32 x 32, which the icon lacks";
    ICONINFO info{};
    EXPECT_FALSE(GetIconInfo(nullptr, &info));
}

} // namespace
