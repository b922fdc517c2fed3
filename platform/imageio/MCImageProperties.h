#pragma once

#include <QString>

// Keys and fixed values of an image's property dictionary (a QVariantMap).
//
// Layout: the top level holds the image's own facts (pixel size, depth, colour model,
// orientation, resolution, profile name); the metadata blocks of the file sit in
// sub-dictionaries ("{Exif}", "{TIFF}", "{GPS}", "{IPTC}" ...) keyed by the strings below.
// Every reader, writer and stage uses these constants rather than spelling the strings.
//
// Value types, as readers produce them and writers expect them:
// - integers (PixelWidth, Depth, Orientation 1..8, Exif integer tags) are integer QVariants;
// - rationals are doubles (ExposureTime 0.004, FNumber 2.8, XResolution 300.0);
// - DPIWidth / DPIHeight are doubles in pixels per inch;
// - HasAlpha, IsFloat, IsIndexed are bools;
// - multi-valued tags are QVariantLists (ISOSpeedRatings, LensSpecification, ExifVersion,
//   Keywords, GPSVersion ...);
// - dates are EXIF date strings "yyyy:MM:dd HH:mm:ss"; IPTC dates "yyyyMMdd", times "HHmmss";
// - GPS Latitude / Longitude are non-negative doubles in degrees with "N"/"S" and "E"/"W"
//   in LatitudeRef / LongitudeRef; TimeStamp is "HH:mm:ss.SS", DateStamp "yyyy:MM:dd";
// - MakerNote is a QByteArray; UserComment a string without its character-code prefix.

// Top-level properties of an image (and of the file for FileSize / ImageCount)
extern const QString kCGImagePropertyFileSize;
extern const QString kCGImagePropertyImageCount;
extern const QString kCGImagePropertyPixelWidth;
extern const QString kCGImagePropertyPixelHeight;
extern const QString kCGImagePropertyDPIWidth;
extern const QString kCGImagePropertyDPIHeight;
extern const QString kCGImagePropertyDepth;
extern const QString kCGImagePropertyOrientation;
extern const QString kCGImagePropertyIsFloat;
extern const QString kCGImagePropertyIsIndexed;
extern const QString kCGImagePropertyHasAlpha;
extern const QString kCGImagePropertyColorModel;
extern const QString kCGImagePropertyProfileName;
extern const QString kCGImagePropertyPrimaryImage;

// Values of ColorModel
extern const QString kCGImagePropertyColorModelRGB;
extern const QString kCGImagePropertyColorModelGray;
extern const QString kCGImagePropertyColorModelCMYK;
extern const QString kCGImagePropertyColorModelLab;

// Sub-dictionaries
extern const QString kCGImagePropertyTIFFDictionary;
extern const QString kCGImagePropertyGIFDictionary;
extern const QString kCGImagePropertyJFIFDictionary;
extern const QString kCGImagePropertyExifDictionary;
extern const QString kCGImagePropertyExifAuxDictionary;
extern const QString kCGImagePropertyPNGDictionary;
extern const QString kCGImagePropertyIPTCDictionary;
extern const QString kCGImagePropertyGPSDictionary;
extern const QString kCGImagePropertyRawDictionary;
extern const QString kCGImagePropertyCIFFDictionary;
extern const QString kCGImagePropertyDNGDictionary;
extern const QString kCGImageProperty8BIMDictionary;
extern const QString kCGImagePropertyHEICSDictionary;
extern const QString kCGImagePropertyWebPDictionary;
extern const QString kCGImagePropertyMakerCanonDictionary;
extern const QString kCGImagePropertyMakerNikonDictionary;
extern const QString kCGImagePropertyMakerMinoltaDictionary;
extern const QString kCGImagePropertyMakerFujiDictionary;
extern const QString kCGImagePropertyMakerOlympusDictionary;
extern const QString kCGImagePropertyMakerPentaxDictionary;

// {TIFF}
extern const QString kCGImagePropertyTIFFCompression;
extern const QString kCGImagePropertyTIFFPhotometricInterpretation;
extern const QString kCGImagePropertyTIFFDocumentName;
extern const QString kCGImagePropertyTIFFImageDescription;
extern const QString kCGImagePropertyTIFFMake;
extern const QString kCGImagePropertyTIFFModel;
extern const QString kCGImagePropertyTIFFOrientation;
extern const QString kCGImagePropertyTIFFXResolution;
extern const QString kCGImagePropertyTIFFYResolution;
extern const QString kCGImagePropertyTIFFResolutionUnit;
extern const QString kCGImagePropertyTIFFSoftware;
extern const QString kCGImagePropertyTIFFTransferFunction;
extern const QString kCGImagePropertyTIFFDateTime;
extern const QString kCGImagePropertyTIFFArtist;
extern const QString kCGImagePropertyTIFFHostComputer;
extern const QString kCGImagePropertyTIFFCopyright;
extern const QString kCGImagePropertyTIFFWhitePoint;
extern const QString kCGImagePropertyTIFFPrimaryChromaticities;
extern const QString kCGImagePropertyTIFFTileWidth;
extern const QString kCGImagePropertyTIFFTileLength;

// {JFIF}
extern const QString kCGImagePropertyJFIFVersion;
extern const QString kCGImagePropertyJFIFXDensity;
extern const QString kCGImagePropertyJFIFYDensity;
extern const QString kCGImagePropertyJFIFDensityUnit;
extern const QString kCGImagePropertyJFIFIsProgressive;

// {Exif}
extern const QString kCGImagePropertyExifExposureTime;
extern const QString kCGImagePropertyExifFNumber;
extern const QString kCGImagePropertyExifExposureProgram;
extern const QString kCGImagePropertyExifSpectralSensitivity;
extern const QString kCGImagePropertyExifISOSpeedRatings;
extern const QString kCGImagePropertyExifOECF;
extern const QString kCGImagePropertyExifSensitivityType;
extern const QString kCGImagePropertyExifStandardOutputSensitivity;
extern const QString kCGImagePropertyExifRecommendedExposureIndex;
extern const QString kCGImagePropertyExifISOSpeed;
extern const QString kCGImagePropertyExifISOSpeedLatitudeyyy;
extern const QString kCGImagePropertyExifISOSpeedLatitudezzz;
extern const QString kCGImagePropertyExifVersion;
extern const QString kCGImagePropertyExifDateTimeOriginal;
extern const QString kCGImagePropertyExifDateTimeDigitized;
extern const QString kCGImagePropertyExifOffsetTime;
extern const QString kCGImagePropertyExifOffsetTimeOriginal;
extern const QString kCGImagePropertyExifOffsetTimeDigitized;
extern const QString kCGImagePropertyExifComponentsConfiguration;
extern const QString kCGImagePropertyExifCompressedBitsPerPixel;
extern const QString kCGImagePropertyExifShutterSpeedValue;
extern const QString kCGImagePropertyExifApertureValue;
extern const QString kCGImagePropertyExifBrightnessValue;
extern const QString kCGImagePropertyExifExposureBiasValue;
extern const QString kCGImagePropertyExifMaxApertureValue;
extern const QString kCGImagePropertyExifSubjectDistance;
extern const QString kCGImagePropertyExifMeteringMode;
extern const QString kCGImagePropertyExifLightSource;
extern const QString kCGImagePropertyExifFlash;
extern const QString kCGImagePropertyExifFocalLength;
extern const QString kCGImagePropertyExifSubjectArea;
extern const QString kCGImagePropertyExifMakerNote;
extern const QString kCGImagePropertyExifUserComment;
extern const QString kCGImagePropertyExifSubsecTime;
extern const QString kCGImagePropertyExifSubsecTimeOriginal;
extern const QString kCGImagePropertyExifSubsecTimeDigitized;
extern const QString kCGImagePropertyExifFlashPixVersion;
extern const QString kCGImagePropertyExifColorSpace;
extern const QString kCGImagePropertyExifPixelXDimension;
extern const QString kCGImagePropertyExifPixelYDimension;
extern const QString kCGImagePropertyExifRelatedSoundFile;
extern const QString kCGImagePropertyExifFlashEnergy;
extern const QString kCGImagePropertyExifSpatialFrequencyResponse;
extern const QString kCGImagePropertyExifFocalPlaneXResolution;
extern const QString kCGImagePropertyExifFocalPlaneYResolution;
extern const QString kCGImagePropertyExifFocalPlaneResolutionUnit;
extern const QString kCGImagePropertyExifSubjectLocation;
extern const QString kCGImagePropertyExifExposureIndex;
extern const QString kCGImagePropertyExifSensingMethod;
extern const QString kCGImagePropertyExifFileSource;
extern const QString kCGImagePropertyExifSceneType;
extern const QString kCGImagePropertyExifCFAPattern;
extern const QString kCGImagePropertyExifCustomRendered;
extern const QString kCGImagePropertyExifExposureMode;
extern const QString kCGImagePropertyExifWhiteBalance;
extern const QString kCGImagePropertyExifDigitalZoomRatio;
extern const QString kCGImagePropertyExifFocalLenIn35mmFilm;
extern const QString kCGImagePropertyExifSceneCaptureType;
extern const QString kCGImagePropertyExifGainControl;
extern const QString kCGImagePropertyExifContrast;
extern const QString kCGImagePropertyExifSaturation;
extern const QString kCGImagePropertyExifSharpness;
extern const QString kCGImagePropertyExifDeviceSettingDescription;
extern const QString kCGImagePropertyExifSubjectDistRange;
extern const QString kCGImagePropertyExifImageUniqueID;
extern const QString kCGImagePropertyExifCameraOwnerName;
extern const QString kCGImagePropertyExifBodySerialNumber;
extern const QString kCGImagePropertyExifLensSpecification;
extern const QString kCGImagePropertyExifLensMake;
extern const QString kCGImagePropertyExifLensModel;
extern const QString kCGImagePropertyExifLensSerialNumber;
extern const QString kCGImagePropertyExifGamma;

// {ExifAux}
extern const QString kCGImagePropertyExifAuxLensInfo;
extern const QString kCGImagePropertyExifAuxLensModel;
extern const QString kCGImagePropertyExifAuxSerialNumber;
extern const QString kCGImagePropertyExifAuxLensID;
extern const QString kCGImagePropertyExifAuxLensSerialNumber;
extern const QString kCGImagePropertyExifAuxImageNumber;
extern const QString kCGImagePropertyExifAuxFlashCompensation;
extern const QString kCGImagePropertyExifAuxOwnerName;
extern const QString kCGImagePropertyExifAuxFirmware;

// {GPS}
extern const QString kCGImagePropertyGPSVersion;
extern const QString kCGImagePropertyGPSLatitudeRef;
extern const QString kCGImagePropertyGPSLatitude;
extern const QString kCGImagePropertyGPSLongitudeRef;
extern const QString kCGImagePropertyGPSLongitude;
extern const QString kCGImagePropertyGPSAltitudeRef;
extern const QString kCGImagePropertyGPSAltitude;
extern const QString kCGImagePropertyGPSTimeStamp;
extern const QString kCGImagePropertyGPSSatellites;
extern const QString kCGImagePropertyGPSStatus;
extern const QString kCGImagePropertyGPSMeasureMode;
extern const QString kCGImagePropertyGPSDOP;
extern const QString kCGImagePropertyGPSSpeedRef;
extern const QString kCGImagePropertyGPSSpeed;
extern const QString kCGImagePropertyGPSTrackRef;
extern const QString kCGImagePropertyGPSTrack;
extern const QString kCGImagePropertyGPSImgDirectionRef;
extern const QString kCGImagePropertyGPSImgDirection;
extern const QString kCGImagePropertyGPSMapDatum;
extern const QString kCGImagePropertyGPSDestLatitudeRef;
extern const QString kCGImagePropertyGPSDestLatitude;
extern const QString kCGImagePropertyGPSDestLongitudeRef;
extern const QString kCGImagePropertyGPSDestLongitude;
extern const QString kCGImagePropertyGPSDestBearingRef;
extern const QString kCGImagePropertyGPSDestBearing;
extern const QString kCGImagePropertyGPSDestDistanceRef;
extern const QString kCGImagePropertyGPSDestDistance;
extern const QString kCGImagePropertyGPSProcessingMethod;
extern const QString kCGImagePropertyGPSAreaInformation;
extern const QString kCGImagePropertyGPSDateStamp;
extern const QString kCGImagePropertyGPSDifferental;
extern const QString kCGImagePropertyGPSHPositioningError;

// {IPTC}
extern const QString kCGImagePropertyIPTCObjectTypeReference;
extern const QString kCGImagePropertyIPTCObjectAttributeReference;
extern const QString kCGImagePropertyIPTCObjectName;
extern const QString kCGImagePropertyIPTCEditStatus;
extern const QString kCGImagePropertyIPTCEditorialUpdate;
extern const QString kCGImagePropertyIPTCUrgency;
extern const QString kCGImagePropertyIPTCSubjectReference;
extern const QString kCGImagePropertyIPTCCategory;
extern const QString kCGImagePropertyIPTCSupplementalCategory;
extern const QString kCGImagePropertyIPTCFixtureIdentifier;
extern const QString kCGImagePropertyIPTCKeywords;
extern const QString kCGImagePropertyIPTCContentLocationCode;
extern const QString kCGImagePropertyIPTCContentLocationName;
extern const QString kCGImagePropertyIPTCReleaseDate;
extern const QString kCGImagePropertyIPTCReleaseTime;
extern const QString kCGImagePropertyIPTCExpirationDate;
extern const QString kCGImagePropertyIPTCExpirationTime;
extern const QString kCGImagePropertyIPTCSpecialInstructions;
extern const QString kCGImagePropertyIPTCActionAdvised;
extern const QString kCGImagePropertyIPTCReferenceService;
extern const QString kCGImagePropertyIPTCReferenceDate;
extern const QString kCGImagePropertyIPTCReferenceNumber;
extern const QString kCGImagePropertyIPTCDateCreated;
extern const QString kCGImagePropertyIPTCTimeCreated;
extern const QString kCGImagePropertyIPTCDigitalCreationDate;
extern const QString kCGImagePropertyIPTCDigitalCreationTime;
extern const QString kCGImagePropertyIPTCOriginatingProgram;
extern const QString kCGImagePropertyIPTCProgramVersion;
extern const QString kCGImagePropertyIPTCObjectCycle;
extern const QString kCGImagePropertyIPTCByline;
extern const QString kCGImagePropertyIPTCBylineTitle;
extern const QString kCGImagePropertyIPTCCity;
extern const QString kCGImagePropertyIPTCSubLocation;
extern const QString kCGImagePropertyIPTCProvinceState;
extern const QString kCGImagePropertyIPTCCountryPrimaryLocationCode;
extern const QString kCGImagePropertyIPTCCountryPrimaryLocationName;
extern const QString kCGImagePropertyIPTCOriginalTransmissionReference;
extern const QString kCGImagePropertyIPTCHeadline;
extern const QString kCGImagePropertyIPTCCredit;
extern const QString kCGImagePropertyIPTCSource;
extern const QString kCGImagePropertyIPTCCopyrightNotice;
extern const QString kCGImagePropertyIPTCContact;
extern const QString kCGImagePropertyIPTCCaptionAbstract;
extern const QString kCGImagePropertyIPTCWriterEditor;
extern const QString kCGImagePropertyIPTCImageType;
extern const QString kCGImagePropertyIPTCImageOrientation;
extern const QString kCGImagePropertyIPTCLanguageIdentifier;
extern const QString kCGImagePropertyIPTCStarRating;
extern const QString kCGImagePropertyIPTCCreatorContactInfo;
extern const QString kCGImagePropertyIPTCRightsUsageTerms;
extern const QString kCGImagePropertyIPTCScene;

// {PNG}
extern const QString kCGImagePropertyPNGGamma;
extern const QString kCGImagePropertyPNGInterlaceType;
extern const QString kCGImagePropertyPNGXPixelsPerMeter;
extern const QString kCGImagePropertyPNGYPixelsPerMeter;
extern const QString kCGImagePropertyPNGsRGBIntent;
extern const QString kCGImagePropertyPNGChromaticities;
extern const QString kCGImagePropertyPNGAuthor;
extern const QString kCGImagePropertyPNGCopyright;
extern const QString kCGImagePropertyPNGCreationTime;
extern const QString kCGImagePropertyPNGDescription;
extern const QString kCGImagePropertyPNGModificationTime;
extern const QString kCGImagePropertyPNGSoftware;
extern const QString kCGImagePropertyPNGTitle;
extern const QString kCGImagePropertyPNGComment;
extern const QString kCGImagePropertyPNGDisclaimer;
extern const QString kCGImagePropertyPNGSource;
extern const QString kCGImagePropertyPNGWarning;

// {GIF}
extern const QString kCGImagePropertyGIFLoopCount;
extern const QString kCGImagePropertyGIFDelayTime;
extern const QString kCGImagePropertyGIFImageColorMap;
extern const QString kCGImagePropertyGIFHasGlobalColorMap;
extern const QString kCGImagePropertyGIFUnclampedDelayTime;

// {CIFF}
extern const QString kCGImagePropertyCIFFDescription;
extern const QString kCGImagePropertyCIFFFirmware;
extern const QString kCGImagePropertyCIFFOwnerName;
extern const QString kCGImagePropertyCIFFImageName;
extern const QString kCGImagePropertyCIFFImageFileName;
extern const QString kCGImagePropertyCIFFReleaseMethod;
extern const QString kCGImagePropertyCIFFReleaseTiming;
extern const QString kCGImagePropertyCIFFRecordID;
extern const QString kCGImagePropertyCIFFSelfTimingTime;
extern const QString kCGImagePropertyCIFFCameraSerialNumber;
extern const QString kCGImagePropertyCIFFImageSerialNumber;
extern const QString kCGImagePropertyCIFFContinuousDrive;
extern const QString kCGImagePropertyCIFFFocusMode;
extern const QString kCGImagePropertyCIFFMeteringMode;
extern const QString kCGImagePropertyCIFFShootingMode;
extern const QString kCGImagePropertyCIFFLensModel;
extern const QString kCGImagePropertyCIFFLensMaxMM;
extern const QString kCGImagePropertyCIFFLensMinMM;
extern const QString kCGImagePropertyCIFFWhiteBalanceIndex;
extern const QString kCGImagePropertyCIFFFlashExposureComp;
extern const QString kCGImagePropertyCIFFMeasuredEV;

// {DNG}
extern const QString kCGImagePropertyDNGVersion;
extern const QString kCGImagePropertyDNGBackwardVersion;
extern const QString kCGImagePropertyDNGUniqueCameraModel;
extern const QString kCGImagePropertyDNGLocalizedCameraModel;
extern const QString kCGImagePropertyDNGCameraSerialNumber;
extern const QString kCGImagePropertyDNGLensInfo;
