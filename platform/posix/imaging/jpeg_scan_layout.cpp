#include "imaging/jpeg_scan_layout.h"

#include <algorithm>

namespace pixoria::platform::imaging {
namespace {

bool isPlainBaselineScan(const jpeg_decompress_struct& info) {
  bool colourOk = (info.num_components == 3 && info.jpeg_color_space == JCS_YCbCr) ||
                  (info.num_components == 1 && info.jpeg_color_space == JCS_GRAYSCALE);
  return colourOk && info.comps_in_scan == info.num_components && !info.progressive_mode &&
         !info.arith_code && info.restart_interval == 0 && info.data_precision == 8 &&
         info.Ss == 0 && info.Se == 63 && info.Ah == 0 && info.Al == 0;
}

bool copyTable(const JHUFF_TBL* source, HuffmanTable& table) {
  if (source == nullptr) {
    return false;
  }
  std::uint8_t counts[17];
  for (int i = 0; i < 17; ++i) {
    counts[i] = source->bits[i];
  }
  return table.build(counts, source->huffval);
}

bool describeComponent(const jpeg_decompress_struct& info, const jpeg_component_info& source,
                       JpegScanLayout& layout, JpegComponentLayout& component) {
  component.horizontal = source.h_samp_factor;
  component.vertical = source.v_samp_factor;
  component.dcTable = source.dc_tbl_no;
  component.acTable = source.ac_tbl_no;
  if (component.horizontal < 1 || component.horizontal > 2 || component.vertical < 1 ||
      component.vertical > 2 || source.quant_tbl_no < 0 || source.quant_tbl_no >= NUM_QUANT_TBLS) {
    return false;
  }
  const JQUANT_TBL* quant = info.quant_tbl_ptrs[source.quant_tbl_no];
  if (quant == nullptr) {
    return false;
  }
  // Quantisers above 8 bits (legal, rare) would overflow the block transform's sums.
  for (int i = 0; i < 64; ++i) {
    if (quant->quantval[i] > 255) {
      return false;
    }
    component.quant[static_cast<std::size_t>(i)] = quant->quantval[i];
  }
  auto dc = static_cast<std::size_t>(component.dcTable),
       ac = static_cast<std::size_t>(component.acTable);
  if (dc >= 4 || ac >= 4 || !copyTable(info.dc_huff_tbl_ptrs[dc], layout.dcTables[dc]) ||
      !copyTable(info.ac_huff_tbl_ptrs[ac], layout.acTables[ac])) {
    return false;
  }
  layout.acTables[ac].buildFastAc();
  return true;
}

// Blocks of an interleaved unit: each component's h x v blocks in turn, row by row.
bool layOutMcu(JpegScanLayout& layout) {
  int block = 0;
  for (int c = 0; c < layout.componentCount; ++c) {
    const JpegComponentLayout& component = layout.components[static_cast<std::size_t>(c)];
    if (layout.maxHorizontal % component.horizontal != 0 ||
        layout.maxVertical % component.vertical != 0) {
      return false;
    }
    int blocks = layout.componentCount == 1 ? 1 : component.horizontal * component.vertical;
    for (int i = 0; i < blocks; ++i) {
      layout.blockComponent[static_cast<std::size_t>(block++)] = static_cast<std::uint8_t>(c);
    }
  }
  layout.blocksPerMcu = block;
  return block <= kMaxBlocksPerMcu;
}

}  // namespace

std::optional<JpegScanLayout> describeBaselineScan(const jpeg_decompress_struct& info, int scale) {
  if (!isPlainBaselineScan(info) || scale < 1 || scale > 8) {
    return std::nullopt;
  }
  JpegScanLayout layout;
  layout.width = info.image_width;
  layout.height = info.image_height;
  layout.scale = scale;
  layout.componentCount = info.num_components;
  for (int c = 0; c < info.num_components; ++c) {
    // The scan lists the components in frame order for an interleaved baseline scan.
    const jpeg_component_info* source = info.cur_comp_info[c];
    if (source == nullptr || source->component_index != c ||
        !describeComponent(info, *source, layout, layout.components[static_cast<std::size_t>(c)])) {
      return std::nullopt;
    }
    layout.maxHorizontal = std::max(layout.maxHorizontal, source->h_samp_factor);
    layout.maxVertical = std::max(layout.maxVertical, source->v_samp_factor);
  }
  // A single-component scan is not interleaved: its unit is one block, whatever the factors.
  if (layout.componentCount == 1) {
    layout.components[0].horizontal = layout.components[0].vertical = 1;
    layout.maxHorizontal = layout.maxVertical = 1;
  }
  if (!layOutMcu(layout)) {
    return std::nullopt;
  }
  layout.mcusPerRow =
      static_cast<int>((layout.width + 8u * static_cast<unsigned>(layout.maxHorizontal) - 1) /
                       (8u * static_cast<unsigned>(layout.maxHorizontal)));
  layout.mcuRows =
      static_cast<int>((layout.height + 8u * static_cast<unsigned>(layout.maxVertical) - 1) /
                       (8u * static_cast<unsigned>(layout.maxVertical)));
  return layout;
}

}  // namespace pixoria::platform::imaging
