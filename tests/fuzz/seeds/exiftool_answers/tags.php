Array(Array(
  "SourceFile" => "/photos/a \"b\".jpg",
  "File:System:Other:FileSize" => Array(
    "desc" => "File Size",
    "id" => "FileSize",
    "val" => "24 kB",
    "num" => 24576
  ),
  "EXIF:IFD0:Image:Copy1:Make" => Array(
    "desc" => "Make",
    "id" => 271,
    "val" => "Camera\nMaker"
  ),
  "XMP:XMP-dc:Author:Subject" => Array(
    "desc" => "Subject",
    "id" => "subject",
    "val" => Array("one","two")
  )
));
{ready1}
