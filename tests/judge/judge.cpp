// An independent judge of an aligned pair: how far apart vertically the same
// scene points lie in the two exported pictures. It shares no code with the
// aligner: SIFT features kept by a fundamental-matrix inlier test, or the
// corners of a chessboard both pictures show.
//   binoxa-judge features|chessboard LEFT RIGHT
// prints "points N median M rms R p95 P max X" (pixels), exit 1 when nothing
// could be measured.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <opencv2/calib3d.hpp>
#include <opencv2/core.hpp>
#include <opencv2/features2d.hpp>
#include <opencv2/imgproc.hpp>
#include <string>
#include <vector>

#include "image/picture.h"

namespace {

cv::Mat grey(const std::string& path) {
  auto p = loadPicture(path);
  if (!p) return {};
  const tbitmap& b = **p;
  cv::Mat g;
  cv::cvtColor(cv::Mat(b.height, b.width, CV_8UC3, const_cast<tpixel*>(b.row(0))), g, cv::COLOR_RGB2GRAY);
  return g;
}

std::vector<double> chessboard(const cv::Mat& l, const cv::Mat& r) {
  std::vector<cv::Point2f> a, b;
  const cv::Size pattern(9, 6);
  if (!cv::findChessboardCorners(l, pattern, a) || !cv::findChessboardCorners(r, pattern, b)) return {};
  const cv::TermCriteria stop(cv::TermCriteria::EPS | cv::TermCriteria::COUNT, 40, 0.001);
  cv::cornerSubPix(l, a, {11, 11}, {-1, -1}, stop);
  cv::cornerSubPix(r, b, {11, 11}, {-1, -1}, stop);
  std::vector<double> d;
  for (std::size_t i = 0; i < a.size(); ++i) d.push_back(std::abs(a[i].y - b[i].y));
  return d;
}

std::vector<double> features(const cv::Mat& l, const cv::Mat& r) {
  auto sift = cv::SIFT::create(4000);
  std::vector<cv::KeyPoint> ka, kb;
  cv::Mat da, db;
  sift->detectAndCompute(l, cv::noArray(), ka, da);
  sift->detectAndCompute(r, cv::noArray(), kb, db);
  if (ka.size() < 8 || kb.size() < 8) return {};
  std::vector<std::vector<cv::DMatch>> knn;
  cv::BFMatcher(cv::NORM_L2).knnMatch(da, db, knn, 2);
  std::vector<cv::Point2f> a, b;
  for (const auto& k : knn)
    if (k.size() == 2 && k[0].distance < 0.7f * k[1].distance) {
      a.push_back(ka[static_cast<std::size_t>(k[0].queryIdx)].pt);
      b.push_back(kb[static_cast<std::size_t>(k[0].trainIdx)].pt);
    }
  if (a.size() < 8) return {};
  std::vector<unsigned char> inlier;
  cv::findFundamentalMat(a, b, inlier, cv::USAC_MAGSAC, 1.0, 0.9999);
  std::vector<double> d;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (inlier[i]) d.push_back(std::abs(a[i].y - b[i].y));
  return d;
}

double at(std::vector<double> v, double q) {
  std::sort(v.begin(), v.end());
  return v[static_cast<std::size_t>(q * static_cast<double>(v.size() - 1) + 0.5)];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: binoxa-judge features|chessboard LEFT RIGHT\n");
    return 2;
  }
  const cv::Mat l = grey(argv[2]), r = grey(argv[3]);
  if (l.empty() || r.empty()) return 1;
  const std::vector<double> d = std::string(argv[1]) == "chessboard" ? chessboard(l, r) : features(l, r);
  if (d.empty()) return 1;
  double sum = 0;
  for (double v : d) sum += v * v;
  std::printf("points %zu median %.3f rms %.3f p95 %.3f max %.3f\n", d.size(), at(d, 0.5),
              std::sqrt(sum / static_cast<double>(d.size())), at(d, 0.95), at(d, 1));
  return 0;
}
