#include "Header.h"

#include "File.h"

CHeader::CHeader(int size)
    : m_data(std::make_shared<std::vector<std::uint8_t>>(static_cast<std::size_t>(size > 0 ? size : 0))) {}

CHeader::~CHeader() = default;

std::size_t CHeader::Load(CFile& file) { return file.Read(m_data->data(), m_data->size()); }

void CHeader::Save(CFile& file) const { file.Write(m_data->data(), m_data->size()); }

int CHeader::GetSize() const { return static_cast<int>(m_data->size()); }
