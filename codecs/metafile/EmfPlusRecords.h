#pragma once

#include <QtGlobal>

namespace metafile::emfplus {

// EMF+ record types.
enum RecordType : quint16 {
    RecordHeader = 0x4001,
    RecordEndOfFile,
    RecordComment,
    RecordGetDC,
    RecordObject = 0x4008,
    RecordClear,
    RecordFillRects,
    RecordDrawRects,
    RecordFillPolygon,
    RecordDrawLines,
    RecordFillEllipse,
    RecordDrawEllipse,
    RecordFillPie,
    RecordDrawPie,
    RecordDrawArc,
    RecordFillRegion,
    RecordFillPath,
    RecordDrawPath,
    RecordFillClosedCurve,
    RecordDrawClosedCurve,
    RecordDrawCurve,
    RecordDrawBeziers,
    RecordDrawImage,
    RecordDrawImagePoints,
    RecordDrawString,
    RecordSetRenderingOrigin,
    RecordSetAntiAliasMode,
    RecordSetTextRenderingHint,
    RecordSetTextContrast,
    RecordSetInterpolationMode,
    RecordSetPixelOffsetMode,
    RecordSetCompositingMode,
    RecordSetCompositingQuality,
    RecordSave,
    RecordRestore,
    RecordBeginContainer,
    RecordBeginContainerNoParams,
    RecordEndContainer,
    RecordSetWorldTransform,
    RecordResetWorldTransform,
    RecordMultiplyWorldTransform,
    RecordTranslateWorldTransform,
    RecordScaleWorldTransform,
    RecordRotateWorldTransform,
    RecordSetPageTransform,
    RecordResetClip,
    RecordSetClipRect,
    RecordSetClipPath,
    RecordSetClipRegion,
    RecordOffsetClip,
    RecordDrawDriverString,
};

// Record flags.
inline constexpr quint16 flagColour = 0x8000;     // the brush is an ARGB colour, not an object
inline constexpr quint16 flagCompressed = 0x4000; // 16-bit integer coordinates

} // namespace metafile::emfplus
